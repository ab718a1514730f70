// libFuzzer target: the output schedule "Date.txt" as any bytes, decided at a moment taken from the
// input. A decision is on (1), off (0) or none, and the same content at the same moment always decides
// the same.
#include "readers/OutputSchedule.hpp"

#include <cstddef>
#include <cstdint>
#include <string>

using sentinex::DateTime;
using sentinex::OutputSchedule;

namespace {

void require(bool ok) {
    if (!ok) {
        __builtin_trap();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 4) {
        return 0;
    }
    // The first four bytes choose the moment: month, day, hour, minute.
    const DateTime now{2026, 1 + data[0] % 12, 1 + data[1] % 28, data[2] % 24, data[3] % 60, 0};
    const std::string content(reinterpret_cast<const char*>(data + 4), size - 4);
    const auto decision = OutputSchedule::decide(content, now);
    require(!decision || *decision == 0 || *decision == 1);
    require(OutputSchedule::decide(content, now) == decision);
    return 0;
}
