#include "readers/download/TransitDownload.hpp"

#include "core/EventPump.hpp"
#include "readers/ReaderList.hpp"
#include "readers/download/DownloadSink.hpp"
#include "readers/programming/ReaderStore.hpp"
#include "store/Database.hpp"
#include "support/FakeClock.hpp"
#include "support/OnlineFakeBus.hpp"
#include "support/ScriptedOperator.hpp"
#include "support/TestInstall.hpp"

#include <gtest/gtest.h>

#include <deque>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace sentinex {
namespace {

using testing::FakeClock;
using testing::ScriptedOperator;
using testing::TestInstall;

/// Records what the download hands over when the database refuses a record.
class RecordingSink final : public DownloadSink {
public:
    bool keep(const DownloadedTransit& record) override {
        kept.push_back(record);
        return answer;
    }
    std::vector<DownloadedTransit> kept;
    bool answer = true;
};

/// Three readers at addresses 1, 2, 3 ("In", "Out", "In"); each answers from its own memory of stored
/// records (what follows "Z"), "F" once it is empty, and "S" to "Q" and "E01".
class TransitDownloadTest : public ::testing::Test {
protected:
    void SetUp() override {
        const char* places[] = {"INGRESSO", "UFFICI", "MAGAZZIN"};
        const char* states[] = {"In", "Out", "In"};
        for (int k = 1; k <= 3; ++k) {
            TestInstall::Reader r;
            r.NumeroIndirizzo = k;
            r.SituatoPresso = places[k - 1];
            r.Stato = states[k - 1];
            install.addReader(r);
        }
        ReaderStore store(install.db());
        readers.load(store);
        TestInstall::User u;
        u.NumeroCarta = "0042";
        u.Cognome = "Rossi";
        u.Nome = "Mario";
        install.addUser(u);
        clock.set({2026, 1, 4, 10, 0, 0});
        bus.respond([this](const std::string& payload, Timing) { return answer(payload); });
    }
    std::string answer(const std::string& payload) {
        const std::string address = payload.substr(0, 2);
        if (silent.count(address)) {
            return {};
        }
        switch (payload.at(8)) {
        case 'S': {
            auto& memory = memories[address];
            if (memory.empty()) {
                return OnlineFakeBus::codeReply('F');
            }
            const std::string record = memory.front();
            memory.pop_front();
            return std::string("\x02") + address + "Z" + record + "\x05" + "k";
        }
        case 'E':
            memories[address].clear();
            return OnlineFakeBus::codeReply('S');
        default:
            return OnlineFakeBus::codeReply('S');
        }
    }
    TransitDownload::Outcome run(const std::vector<int>& positions, bool fourDigit = true, bool clear = false,
                                 DownloadSink* sink = nullptr) {
        TransitDownload download({*install.db(), readers, bus, op, clock, pump, sink});
        return download.run(positions, fourDigit, clear);
    }
    /// Command letters per reader address, in the order sent: "01Q", "02S", ...
    std::vector<std::string> commands() const {
        std::vector<std::string> out;
        for (const auto& p : bus.payloads()) {
            out.push_back(p.substr(0, 2) + p.substr(8));
        }
        return out;
    }
    std::vector<std::vector<Value>> history() {
        return install.db()->query(
            "SELECT NumeroBadge, Cognome, Nome, PosizioneLettore, Data, Ora, Passaggio, "
            "verso, nota FROM transiti ORDER BY rowid");
    }

    TestInstall install;
    ReaderList readers;
    OnlineFakeBus bus;
    ScriptedOperator op;
    FakeClock clock;
    NullEventPump pump;
    std::map<std::string, std::deque<std::string>> memories;
    std::set<std::string> silent;
};

TEST_F(TransitDownloadTest, AllReadersAreStartedThenEmptiedIntoTheHistory) {
    memories["01"] = {"00420905"
                      "0301",
                      "00071430"
                      "0201"};
    memories["03"] = {"00420800"
                      "0501"}; // after today (4 January): last year
    const auto out = run({1, 2, 3});
    EXPECT_EQ(out.result, TransitDownload::Result::Done);
    EXPECT_EQ(out.stored, 3);
    const std::vector<std::string> expected = {"01Q", "02Q", "03Q", "01S", "01S", "01S", "02S", "03S", "03S"};
    EXPECT_EQ(commands(), expected);
    EXPECT_EQ(clock.pausedMs, 6 * TransitDownload::NextPauseMs); // 10 ms before every "S"

    const auto rows = history();
    ASSERT_EQ(rows.size(), 3u);
    // Through "Storico": a granted "OffLine" passage, the holder's name, the reader's place and state.
    const std::vector<Value> first = {"0042",  "Rossi", "Mario", "INGRESSO", "03/01/2026",
                                      "09:05", 1,       "In",    "OffLine"};
    EXPECT_EQ(rows[0], first);
    EXPECT_EQ(rows[1][0].toString(), "0007");
    EXPECT_EQ(rows[1][1].toString(), ""); // not in Carte: no name
    EXPECT_EQ(rows[1][4].toString(), "02/01/2026");
    EXPECT_EQ(rows[2][3].toString(), "MAGAZZIN");
    EXPECT_EQ(rows[2][4].toString(), "05/01/2025");

    EXPECT_FALSE(op.waitVisible);
    ASSERT_EQ(op.shown.size(), 1u);
    EXPECT_EQ(op.shown[0].title, "Messaggio");
    EXPECT_EQ(op.shown[0].text, "Operazione completata.");
    EXPECT_EQ(op.shown[0].icon, MsgIcon::Information);
    ASSERT_FALSE(op.progress.empty());
    EXPECT_EQ(op.progress.back(), "Lettore 3 di 3 - transiti scaricati: 3");
}

TEST_F(TransitDownloadTest, ClearingFollowsOnlyACompleteDownloadOfTheSelectedReaders) {
    memories["01"] = {"00420905"
                      "0301"};
    memories["02"] = {"00420906"
                      "0301"};
    memories["03"] = {"00420907"
                      "0301"};
    run({3}, true, /*clear*/ true);
    EXPECT_EQ(commands(), (std::vector<std::string>{"03Q", "03S", "03S", "03E01"}));
    EXPECT_EQ(memories["01"].size(), 1u);
    EXPECT_EQ(memories["02"].size(), 1u);

    bus.clear();
    run({1, 2}, true, /*clear*/ false);
    EXPECT_EQ(commands(), (std::vector<std::string>{"01Q", "02Q", "01S", "01S", "02S", "02S"}));
    EXPECT_EQ(history().size(), 3u);
}

TEST_F(TransitDownloadTest, ThreeDigitRecordsAreStoredWithALeadingZero) {
    memories["02"] = {"042"
                      "0905"
                      "0301"};
    run({2}, /*fourDigit*/ false);
    const auto rows = history();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][0].toString(), "0042");
    EXPECT_EQ(rows[0][1].toString(), "Rossi");
    EXPECT_EQ(rows[0][5].toString(), "09:05");
    EXPECT_EQ(rows[0][7].toString(), "Out");
}

TEST_F(TransitDownloadTest, ACommunicationFailureStopsTheRunAndKeepsWhatWasStored) {
    struct Case {
        const char* what;
        std::string failingAddress;
        std::string failingReply; // what the reader answers to the failing command ("" silent)
        char failingCommand;
        std::vector<std::string> sent;
        int stored;
        const char* title;
    };
    const Case cases[] = {
        {"silent at the start", "02", "", 'Q', {"01Q", "02Q"}, 0, "Lettore 2 situato presso UFFICI  "},
        {"code error at the start",
         "02",
         OnlineFakeBus::codeReply('C'),
         'Q',
         {"01Q", "02Q"},
         0,
         "Lettore 2 situato presso UFFICI  "},
        {"silent in the middle",
         "01",
         "",
         'S',
         {"01Q", "02Q", "01S", "01S"},
         1,
         "Lettore 1 situato presso INGRESSO"},
        {"unknown reply in the middle",
         "01",
         OnlineFakeBus::codeReply('S'),
         'S',
         {"01Q", "02Q", "01S", "01S"},
         1,
         "Lettore 1 situato presso INGRESSO"},
        {"transfer error at the clearing",
         "02",
         OnlineFakeBus::codeReply('D'),
         'E',
         {"01Q", "02Q", "01S", "01S", "01S", "02S", "01E01", "02E01"},
         2,
         "Lettore 2 situato presso UFFICI  "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        install.db()->execute("DELETE FROM transiti");
        bus.clear();
        op.clear();
        memories.clear();
        memories["01"] = {"00420905"
                          "0301",
                          "00420906"
                          "0301"};
        int asked = 0;
        bus.respond([this, &c, &asked](const std::string& payload, Timing) {
            const bool failing =
                payload.substr(0, 2) == c.failingAddress && payload.at(8) == c.failingCommand;
            // In the middle of a download the reader fails at its second record.
            if (failing && (c.failingCommand != 'S' || ++asked == 2)) {
                return c.failingReply;
            }
            return answer(payload);
        });
        const auto out = run({1, 2}, true, true);
        EXPECT_EQ(out.result, TransitDownload::Result::CommunicationError);
        EXPECT_EQ(commands(), c.sent);
        EXPECT_EQ(out.stored, c.stored);
        EXPECT_EQ(static_cast<int>(history().size()), c.stored);
        EXPECT_FALSE(op.waitVisible);
        ASSERT_EQ(op.shown.size(), 1u);
        EXPECT_EQ(op.shown[0].title, c.title);
        EXPECT_EQ(op.shown[0].text, "Errore di comunicazione.");
        EXPECT_EQ(op.shown[0].icon, MsgIcon::Exclamation);
        // How many were stored before the failure stays on the wait form's progress line.
        if (c.stored > 0) {
            ASSERT_FALSE(op.progress.empty());
            EXPECT_NE(op.progress.back().find("transiti scaricati: " + std::to_string(c.stored)),
                      std::string::npos)
                << op.progress.back();
        }
    }
}

TEST_F(TransitDownloadTest, ARecordTheDatabaseRefusesGoesToTheSinkAndNothingMoreIsAsked) {
    memories["01"] = {"00420905"
                      "0301",
                      "00420906"
                      "0301",
                      "00420907"
                      "0301"};
    install.db()->executeScript("CREATE TRIGGER full_disk BEFORE INSERT ON transiti WHEN NEW.Ora = '09:06' "
                                "BEGIN SELECT RAISE(ABORT, 'database or disk is full'); END;");
    RecordingSink sink;
    const auto out = run({1}, true, /*clear*/ true, &sink);
    EXPECT_EQ(out.result, TransitDownload::Result::StoreRefused);
    EXPECT_EQ(out.stored, 1);
    EXPECT_EQ(out.kept, 1);
    // The reader handed over the second record; the third stays in its memory, which is not cleared.
    EXPECT_EQ(commands(), (std::vector<std::string>{"01Q", "01S", "01S"}));
    EXPECT_EQ(memories["01"].size(), 1u);
    ASSERT_EQ(sink.kept.size(), 1u);
    EXPECT_EQ(sink.kept[0].cardNumber, "0042");
    EXPECT_EQ(sink.kept[0].surname, "Rossi");
    EXPECT_EQ(sink.kept[0].time, "09:06");
    EXPECT_EQ(sink.kept[0].date, "03/01/2026");
    EXPECT_EQ(sink.kept[0].readerPosition, 1);
    EXPECT_EQ(sink.kept[0].readerState, "In");
    EXPECT_EQ(history().size(), 1u);
    ASSERT_EQ(op.shown.size(), 1u);
    EXPECT_EQ(op.shown[0].title, "Lettore 1 situato presso INGRESSO");
    EXPECT_EQ(op.shown[0].icon, MsgIcon::Critical);
    EXPECT_NE(op.shown[0].text.find("database or disk is full"), std::string::npos);
    EXPECT_NE(op.shown[0].text.find("messo in attesa"), std::string::npos);
    EXPECT_FALSE(op.waitVisible);

    // Without anywhere to keep it, the message names the record so it can be written down.
    bus.clear();
    op.clear();
    memories["01"] = {"00420906"
                      "0301"};
    sink.answer = false;
    const auto lost = run({1}, true, false, &sink);
    EXPECT_EQ(lost.kept, 0);
    ASSERT_EQ(op.shown.size(), 1u);
    EXPECT_NE(op.shown[0].text.find("Carta 0042 del 03/01/2026 alle 09:06"), std::string::npos)
        << op.shown[0].text;
}

TEST_F(TransitDownloadTest, TheChooserNamesAnExistingReader) {
    EXPECT_EQ(TransitDownload::chooserLine(3, readers.entry(2)), "Lettore 3 - situato presso : MAGAZZIN");
    EXPECT_EQ(TransitDownload::countText(3), "Numero lettori : 3");
    EXPECT_EQ(TransitDownload::clearingNote(true), "Cancello la memoria dopo il download");
    EXPECT_EQ(TransitDownload::clearingNote(false), "Non cancello la memoria dopo il download");
    struct Case {
        std::string text;
        int count;
        int chosen; // 0: refused
        const char* message;
    };
    const Case cases[] = {
        {"", 3, 0, "Scegliere il lettore."},
        {"Lettore 3 - situato presso : MAGAZZIN", 3, 3, nullptr},
        {"Lettore 12 - situato presso : X", 12, 12, nullptr},
        {"Lettore 12 - situato presso : X", 11, 0, "Il lettore impostato non esiste."},
        {"Lettore 0 - situato presso : X", 3, 0, "Il lettore impostato non esiste."},
        {"qualcosa", 3, 0, "Il lettore impostato non esiste."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        op.clear();
        const auto chosen = TransitDownload::chosenReader(c.text, c.count, op);
        EXPECT_EQ(chosen.value_or(0), c.chosen);
        if (c.message) {
            ASSERT_EQ(op.shown.size(), 1u);
            EXPECT_EQ(op.shown[0].title, "Errore");
            EXPECT_EQ(op.shown[0].text, c.message);
            EXPECT_EQ(op.shown[0].icon, MsgIcon::Exclamation);
        } else {
            EXPECT_TRUE(op.shown.empty());
        }
    }
}

} // namespace
} // namespace sentinex
