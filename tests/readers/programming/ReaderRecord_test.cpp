#include "readers/programming/ReaderRecord.hpp"

#include "core/TextCodec.hpp"
#include "readers/programming/ReaderForm.hpp"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace sentinex {
namespace {

// An accented letter is one character of the eight, whatever its bytes: no half letters, no short pads.
TEST(ReaderRecord, LocationWithAccentedLettersKeepsEightWholeCharacters) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"CITTÀ ALTA", "CITTÀ AL"}, {"COMUNITÀ X", "COMUNITÀ"}, {"CAFFÈ", "CAFFÈ   "},
        {"ÀÈÌÒÙÀÈÌÒ", "ÀÈÌÒÙÀÈÌ"},  {"€", "€       "},
    };
    for (const auto& [typed, stored] : cases) {
        SCOPED_TRACE(typed);
        ReaderForm f;
        f.location = typed;
        const std::string saved = ReaderRecord::fromForm(f).SituatoPresso;
        EXPECT_EQ(saved, stored);
        EXPECT_EQ(characterCount(saved), 8u);
        EXPECT_EQ(ReaderRecord::storedLocation(typed), stored);
    }
}

} // namespace
} // namespace sentinex
