#include "core/EventPump.hpp"
#include "readers/cardfile/CardFile.hpp"
#include "readers/cardfile/CardFileName.hpp"
#include "readers/cardfile/CardFileRuns.hpp"
#include "readers/cardfile/CardFileView.hpp"
#include "support/FakeClock.hpp"
#include "support/OnlineFakeBus.hpp"
#include "support/ScriptedOperator.hpp"
#include "support/TempDir.hpp"

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace sentinex {
namespace {

using testing::FakeClock;
using testing::ScriptedOperator;
using testing::TempDir;
using Outcome = CardFileRuns::Outcome;

TEST(CardFileName, LengthInCharactersThenDot) {
    const std::vector<std::pair<std::string, std::optional<std::string>>> cases = {
        {"CARTE", std::nullopt},
        {"", std::nullopt},
        {"12345678", std::nullopt},
        {"perùgia1", std::nullopt}, // 8 characters in 9 bytes
        {"àèìòùàèì", std::nullopt},
        {"CARTE.TX", CardFileName::DotText},
        {".", CardFileName::DotText},
        {"CARTE.TXT", CardFileName::TooLongText}, // the length is checked first
        {"ABCDEFGHI", CardFileName::TooLongText},
        {"perùgia12", CardFileName::TooLongText},
    };
    for (const auto& [name, message] : cases) {
        EXPECT_EQ(CardFileName::failure(name), message) << name;
    }
    ScriptedOperator op;
    EXPECT_FALSE(CardFileName::check("ABCDEFGHI", op));
    EXPECT_EQ(op.last().title, "Attenzione");
    EXPECT_EQ(op.last().icon, MsgIcon::Exclamation);
}

struct RecordingView : CardFileView {
    void showPrompt(const std::string& text) override { prompts.push_back(text); }
    void showResult(const std::string& text, bool stored) override {
        if (!text.empty()) {
            results.push_back(text + (stored ? " (green)" : ""));
        }
    }
    void showProgress(int done, int total) override {
        progress.push_back(std::to_string(done) + "/" + std::to_string(total));
    }
    std::vector<std::string> prompts, results, progress;
};

std::string fileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

class CardFileRunsTest : public ::testing::Test {
protected:
    CardFileRuns runs() { return CardFileRuns(bus, op, clock, pump, view, dir.path(), true); }
    /// Presents the cards in turn, each after two empty polls; stops the run once all were presented.
    void presentCards(std::vector<std::string> cards, CardFileRuns& r) {
        bus.respond([this, cards, &r, polls = 0, i = std::size_t(0)](const std::string&, Timing) mutable {
            if (i == cards.size()) {
                r.stop();
                return OnlineFakeBus::codeReply('S');
            }
            if (++polls % 3 != 0) {
                return OnlineFakeBus::codeReply('S');
            }
            return OnlineFakeBus::cardReply(cards[i++]);
        });
    }
    const ReaderAddress reader{2, 7, 123};
    TempDir dir;
    OnlineFakeBus bus;
    ScriptedOperator op;
    FakeClock clock;
    NullEventPump pump;
    RecordingView view;
};

TEST_F(CardFileRunsTest, CaptureIntoANewFileNumbersFromOneAndSkipsARepeat) {
    op.queueInput("CARTE.T"); // refused for its dot, then asked again
    op.queueInput("CARTE");
    auto r = runs();
    presentCards({"A1B2C3", "D4E5F6", "A1B2C3", "778899"}, r);
    EXPECT_EQ(r.capture(reader), Outcome::Stopped);
    EXPECT_EQ(fileText(dir.path() + "/CARTE.txt"), "\"001A1B2C3\"\r\n\"002D4E5F6\"\r\n\"003778899\"\r\n");
    EXPECT_EQ(view.results,
              (std::vector<std::string>{"Scrittura nel file Ok. (green)", "Scrittura nel file Ok. (green)",
                                        "La carta è già in archivio.", "Scrittura nel file Ok. (green)"}));
    EXPECT_EQ(view.prompts.front(), "Passare la carta numero 1");
    EXPECT_EQ(view.prompts.back(), "Passare la carta numero 4");
    EXPECT_EQ(op.texts()[1], CardFileName::DotText);
    for (const auto& s : bus.sent()) {
        EXPECT_EQ(s.payload, "07000123D");
        EXPECT_EQ(s.loop, 2);
        EXPECT_EQ(s.timing, Timing::Medium);
    }
    EXPECT_EQ(op.beeps, 30) << "the beep at every turn of the second after each stored card";
}

TEST_F(CardFileRunsTest, CaptureContinuesTheNumberingOfAnExistingFile) {
    std::ofstream(dir.path() + "/OLD.txt", std::ios::binary) << "\"001FFFFFF\"\r\n\"007A1B2C3\"\r\n";
    op.queueInput("OLD");
    auto r = runs();
    presentCards({"0A0B0C"}, r);
    EXPECT_EQ(r.capture(reader), Outcome::Stopped);
    EXPECT_EQ(op.messages().at(0).text, "Il file già esiste. I dati verranno messi in coda.");
    EXPECT_EQ(view.prompts.front(), "Passare la carta numero 8");
    EXPECT_EQ(fileText(dir.path() + "/OLD.txt"), "\"001FFFFFF\"\r\n\"007A1B2C3\"\r\n\"0080A0B0C\"\r\n");
}

TEST(CardFile, ARecordAppendedAfterALastLineWithoutItsEndIsARecordOfItsOwn) {
    TempDir dir;
    const std::string path = dir.file("HAND.txt");
    for (const char* ending : {"", "\r"}) {
        std::ofstream(path, std::ios::binary | std::ios::trunc) << "\"001FFFFFF\"\r\n\"002A1B2C3\"" << ending;
        const CardFile file(path);
        ASSERT_EQ(file.nextNumber(), 3);
        ASSERT_TRUE(file.append(3, "0A0B0C"));
        EXPECT_EQ(file.records(), (std::vector<std::string>{"001FFFFFF", "002A1B2C3", "0030A0B0C"}));
        EXPECT_FALSE(file.isNew("0A0B0C"));
    }
    // A last record whose number is not one (edited by hand) numbers the next card 1, never 0 or less.
    std::ofstream(path, std::ios::binary | std::ios::trunc) << "\"-1CABCDEF\"\r\n";
    EXPECT_EQ(CardFile(path).nextNumber(), 1);
}

TEST_F(CardFileRunsTest, CaptureStopsAfterCard999) {
    std::ofstream(dir.path() + "/FULL.txt", std::ios::binary) << "\"998AAAAAA\"\r\n";
    op.queueInput("FULL");
    auto r = runs();
    presentCards({"BBBBBB", "CCCCCC"}, r);
    EXPECT_EQ(r.capture(reader), Outcome::Failed);
    EXPECT_EQ(fileText(dir.path() + "/FULL.txt"), "\"998AAAAAA\"\r\n\"999BBBBBB\"\r\n");
    EXPECT_EQ(op.last().text, CardFileRuns::FullText);
}

TEST_F(CardFileRunsTest, AFileThatCannotBeWrittenStopsTheCaptureWithAMessage) {
    std::filesystem::create_directory(dir.path() + "/DIR.txt"); // opens for reading, never for writing
    op.queueInput("DIR");
    auto r = runs();
    presentCards({"A1B2C3"}, r);
    EXPECT_EQ(r.capture(reader), Outcome::Failed);
    EXPECT_EQ(op.last().title, "Errore");
    EXPECT_NE(op.last().text.find("DIR.txt"), std::string::npos);
}

TEST_F(CardFileRunsTest, ADiskThatFillsUpStopsTheCaptureAndKeepsTheCardsBefore) {
    // The disk fills up in the middle of the third record: the process may grow the file by 5 bytes
    // only (a file-size limit stands in for the full disk; SIGXFSZ ignored so the write just fails).
    op.queueInput("DISCO");
    auto r = runs();
    const std::string path = dir.path() + "/DISCO.txt";
    rlimit before{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &before), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    bus.respond([&, n = 0](const std::string&, Timing) mutable {
        ++n;
        if (n == 3) {
            rlimit full = before;
            full.rlim_cur = static_cast<rlim_t>(std::filesystem::file_size(path) + 5);
            EXPECT_EQ(::setrlimit(RLIMIT_FSIZE, &full), 0);
        }
        return OnlineFakeBus::cardReply(n == 1 ? "A1B2C3" : n == 2 ? "D4E5F6" : "778899");
    });
    const Outcome outcome = r.capture(reader);
    ::setrlimit(RLIMIT_FSIZE, &before);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_EQ(outcome, Outcome::Failed);
    EXPECT_EQ(op.last().title, "Errore");
    EXPECT_NE(op.last().text.find("DISCO.txt"), std::string::npos) << op.last().text;
    EXPECT_EQ(fileText(path), "\"001A1B2C3\"\r\n\"002D4E5F6\"\r\n")
        << "the cards before stay, and no piece of the third is left to be read as a card";
    EXPECT_EQ(bus.sent().size(), 3u) << "the capture stops at the card it could not store";
}

TEST_F(CardFileRunsTest, NoNameEndsTheRunWithNothingSent) {
    auto r = runs();
    EXPECT_EQ(r.capture(reader), Outcome::Cancelled);
    EXPECT_EQ(r.load(reader), Outcome::Cancelled);
    EXPECT_TRUE(bus.sent().empty());
}

TEST_F(CardFileRunsTest, LoadSendsEveryRecordInOrderAndStopsAtTheFirstBadReply) {
    std::ofstream(dir.path() + "/LOAD.txt", std::ios::binary)
        << "\"001A1B2C3\"\r\n\"002D4E5F6\"\r\n\"003778899\"\r\n";
    for (bool failSecond : {false, true}) {
        bus.clear();
        view.progress.clear();
        op.clear();
        op.queueInput("LOAD");
        int n = 0;
        bus.respond([&](const std::string&, Timing) {
            return OnlineFakeBus::codeReply(failSecond && ++n == 2 ? 'D' : 'S');
        });
        auto r = runs();
        if (failSecond) {
            EXPECT_EQ(r.load(reader), Outcome::Failed);
            EXPECT_EQ(bus.payloads().size(), 2u);
            EXPECT_EQ(op.last().title, "Errore");
            EXPECT_EQ(op.last().text, "Errore di comunicazione con il Vireo.");
            EXPECT_EQ(view.progress, (std::vector<std::string>{"0/3", "1/3"}));
        } else {
            EXPECT_EQ(r.load(reader), Outcome::Done);
            EXPECT_EQ(bus.payloads(), (std::vector<std::string>{"07000123L001A1B2C3", "07000123L002D4E5F6",
                                                                "07000123L003778899"}));
            EXPECT_EQ(view.progress, (std::vector<std::string>{"0/3", "1/3", "2/3", "3/3"}));
            EXPECT_EQ(op.last().text, "Programmazione effettuata.");
        }
    }
    op.clear();
    op.queueInput("NONE");
    auto r = runs();
    EXPECT_EQ(r.load(reader), Outcome::Failed);
    EXPECT_EQ(op.last().text, "Il file non esiste.");
}

} // namespace
} // namespace sentinex
