#include "link/ReaderReply.hpp"

#include <gtest/gtest.h>

namespace sentinex {
namespace {

TEST(ReaderReply, StandardClassificationAndWords) {
    struct Case {
        std::string reply;
        ReaderReply::Status status;
        std::string words;
    } cases[] = {
        {"", ReaderReply::Status::NotConnected, "Periferica non connessa."},
        {"\x02"
         "01D\x05x",
         ReaderReply::Status::TransferError, "Errore nel trasferimento dati."},
        {"\x02"
         "01C\x05x",
         ReaderReply::Status::CodeError, "Errore nel codice applicazione."},
        {"\x02"
         "01X\x05x",
         ReaderReply::Status::Unknown, "Risposta sconosciuta."},
        {"\x02"
         "01I0000123\x05x",
         ReaderReply::Status::Unknown, "Risposta sconosciuta."},
        {"\x02\x05", ReaderReply::Status::Unknown, "Risposta sconosciuta."}, // shorter than 4: no code
        {"\x02"
         "01S\x05x",
         ReaderReply::Status::Ok, ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ReaderReply::classify(c.reply), c.status) << c.reply;
        EXPECT_EQ(ReaderReply::words(ReaderReply::classify(c.reply)), c.words);
    }
}

TEST(ReaderReply, PositionsBeyondTheEndReadEmpty) {
    const std::string r = "\x02"
                          "01";
    EXPECT_EQ(ReaderReply::code(r), '\0');
    EXPECT_EQ(ReaderReply::at(r, 0), '\0');
    EXPECT_EQ(ReaderReply::at(r, 2), '0');
    EXPECT_EQ(ReaderReply::mid(r, 2, 10), "01");
    EXPECT_EQ(ReaderReply::mid(r, 4, 2), "");
    EXPECT_EQ(ReaderReply::mid("", 1, 1), "");
}

} // namespace
} // namespace sentinex
