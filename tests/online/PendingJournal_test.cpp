#include "online/PendingJournal.hpp"

#include "store/Database.hpp"
#include "support/TestInstall.hpp"

#include <gtest/gtest.h>

#include <fstream>

namespace sentinex {
namespace {

using testing::TestInstall;

PendingRecord refusal(const std::string& badge, const std::string& time) {
    return PendingRecord::transit(
        {badge, "Rossi", "Mario", "Atrio", "05/01/2026", time, "0", "In", "Blocco"});
}

std::vector<std::vector<Value>> transits(TestInstall& install) {
    return install.db()->query("SELECT NumeroBadge, Ora FROM transiti ORDER BY indice");
}

TEST(PendingJournalTest, LinesKeepEveryByteAndATornLineIsDropped) {
    PendingRecord r = PendingRecord::transit({"00\t42", "D'Angelo \"Nino\"", "a\\b", "riga\r\nnuova",
                                              "05/01/2026", "10:00", "1", "In", "Passaggio"});
    r.id = "abc-1";
    const std::string line = PendingJournal::encode(r);
    ASSERT_EQ(line.back(), '\n');
    EXPECT_EQ(line.find('\n'), line.size() - 1); // one record, one line
    const auto back = PendingJournal::decode(line.substr(0, line.size() - 1));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->id, "abc-1");
    EXPECT_EQ(back->kind, PendingRecord::Kind::Transit);
    EXPECT_EQ(back->fields, r.fields);
    // A line cut by a crash while it was written is not a record.
    EXPECT_FALSE(PendingJournal::decode(line.substr(0, line.size() / 2)));
    EXPECT_FALSE(PendingJournal::decode(""));
}

TEST(PendingJournalTest, WaitingRecordsSurviveTheProgramAndAreStoredOnceInOrder) {
    TestInstall install;
    const std::string path = install.dir() + "/Sentinex.pending";
    install.db()->executeScript("CREATE TRIGGER full BEFORE INSERT ON transiti "
                                "BEGIN SELECT RAISE(ABORT, 'database or disk is full'); END;");
    {
        PendingJournal journal(*install.db(), path);
        EXPECT_FALSE(journal.store({refusal("0001", "10:00")}).stored);
        const auto out = journal.store({refusal("0002", "10:01"), PendingRecord::presenceAdd(" 0002 ")});
        EXPECT_FALSE(out.stored);
        EXPECT_EQ(out.error, "database or disk is full");
        EXPECT_EQ(journal.waiting(), 3u);
        EXPECT_TRUE(journal.onDisk());
        EXPECT_EQ(journal.waitingPresence("0002"), std::optional<bool>(true));
        EXPECT_EQ(journal.waitingPresence("0001"), std::nullopt);
    } // the program ends with records waiting
    install.db()->executeScript("DROP TRIGGER full");

    PendingJournal next(*install.db(), path);
    EXPECT_EQ(next.waiting(), 3u);
    // A newer record goes in after the waiting ones.
    EXPECT_TRUE(next.store({refusal("0003", "10:05")}).stored);
    const auto rows = transits(install);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0][0].toString(), "0001");
    EXPECT_EQ(rows[1][0].toString(), "0002");
    EXPECT_EQ(rows[1][1].toString(), "10:01"); // the event's own time
    EXPECT_EQ(rows[2][0].toString(), "0003");
    EXPECT_EQ(install.db()->query("SELECT NumeroBadge FROM presenti").size(), 1u);
    EXPECT_EQ(next.waiting(), 0u);
    EXPECT_EQ(PendingJournal(*install.db(), path).waiting(), 0u); // the file is empty now
}

TEST(PendingJournalTest, ARecordAReplayAlreadyStoredIsNotStoredAgain) {
    // A kill between the replay's commit and the emptying of the file leaves both the records and their
    // marks: the next replay skips what the marks say is stored.
    TestInstall install;
    const std::string path = install.dir() + "/Sentinex.pending";
    PendingRecord first = refusal("0001", "10:00");
    first.id = "run1-1";
    PendingRecord second = refusal("0002", "10:01");
    second.id = "run1-2";
    {
        std::ofstream out(path, std::ios::binary);
        out << PendingJournal::encode(first) << PendingJournal::encode(second);
    }
    install.db()->executeScript("CREATE TABLE registrazioni_riprese (id TEXT PRIMARY KEY);"
                                "INSERT INTO registrazioni_riprese (id) VALUES ('run1-1');"
                                "INSERT INTO transiti (NumeroBadge, Ora) VALUES ('0001', '10:00');");
    PendingJournal journal(*install.db(), path);
    ASSERT_TRUE(journal.replay());
    const auto rows = transits(install);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0][0].toString(), "0001");
    EXPECT_EQ(rows[1][0].toString(), "0002");
}

TEST(PendingJournalTest, WhenNoFileCanBeWrittenTheRecordsWaitInMemory) {
    TestInstall install;
    install.db()->executeScript("CREATE TRIGGER full BEFORE INSERT ON transiti "
                                "BEGIN SELECT RAISE(ABORT, 'database or disk is full'); END;");
    PendingJournal journal(*install.db(), install.dir() + "/no-such-folder/Sentinex.pending");
    EXPECT_FALSE(journal.store({refusal("0001", "10:00")}).stored);
    EXPECT_EQ(journal.waiting(), 1u);
    EXPECT_FALSE(journal.onDisk());
    install.db()->executeScript("DROP TRIGGER full");
    EXPECT_TRUE(journal.replay());
    EXPECT_EQ(transits(install).size(), 1u);
    EXPECT_TRUE(journal.onDisk());
}

TEST(PendingJournalTest, TheAntiPassbackResetDropsWaitingPresenceButKeepsWaitingTransits) {
    TestInstall install;
    const std::string path = install.dir() + "/Sentinex.pending";
    install.db()->executeScript("CREATE TRIGGER full BEFORE INSERT ON transiti "
                                "BEGIN SELECT RAISE(ABORT, 'database or disk is full'); END;");
    PendingJournal journal(*install.db(), path);
    journal.store({refusal("0001", "10:00"), PendingRecord::presenceAdd("0001")});
    ASSERT_EQ(journal.waiting(), 2u);
    journal.dropWaitingPresence();
    EXPECT_EQ(journal.waiting(), 1u);
    EXPECT_EQ(journal.waitingPresence("0001"), std::nullopt);
    EXPECT_EQ(PendingJournal(*install.db(), path).waiting(), 1u); // the file says the same
    install.db()->executeScript("DROP TRIGGER full");
    EXPECT_TRUE(journal.replay());
    EXPECT_EQ(transits(install).size(), 1u);
    EXPECT_TRUE(install.db()->query("SELECT * FROM presenti").empty());
}

} // namespace
} // namespace sentinex
