#include "online/PendingJournal.hpp"

#include "store/Database.hpp"
#include "support/TempDir.hpp"
#include "support/TestInstall.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fstream>
#include <iostream>
#include <random>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

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

TEST(PendingJournalTest, ALineThatDoesNotMatchItsCheckIsSetAsideNeverStored) {
    TestInstall install;
    const std::string path = install.dir() + "/Sentinex.pending";
    PendingRecord good = refusal("0001", "10:00");
    good.id = "run1-1";
    PendingRecord spoilt = refusal("0002", "10:01");
    spoilt.id = "run1-2";
    std::string spoiltLine = PendingJournal::encode(spoilt);
    spoiltLine[spoiltLine.find("0002")] = '9'; // one byte changed on the disk: the fields still count right
    PendingRecord older = refusal("0003", "10:02");
    older.id = "run0-1";
    std::string olderLine = PendingJournal::encode(older);
    olderLine.erase(olderLine.rfind('\t')); // a line of a journal written before lines had a check
    {
        std::ofstream out(path, std::ios::binary);
        out << PendingJournal::encode(good) << spoiltLine << olderLine << "\n"
            << PendingJournal::encode(good).substr(0, 20); // and a line torn by a kill
    }
    PendingJournal journal(*install.db(), path);
    EXPECT_EQ(journal.waiting(), 2u);
    EXPECT_EQ(journal.setAside(), 2u);
    const std::string aside = testing::TempDir::read(journal.setAsidePath());
    EXPECT_EQ(aside, spoiltLine + PendingJournal::encode(good).substr(0, 20) + "\n");
    ASSERT_TRUE(journal.replay());
    const auto rows = transits(install);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0][0].toString(), "0001");
    EXPECT_EQ(rows[1][0].toString(), "0003");
    EXPECT_EQ(PendingJournal(*install.db(), path).setAside(), 0u) << "set aside once, not at every start";
}

TEST(PendingJournalTest, RoomIsKeptAsideForAFullDisk) {
    TestInstall install;
    const std::string path = install.dir() + "/Sentinex.pending";
    PendingJournal journal(*install.db(), path);
    EXPECT_TRUE(journal.reserved());
    EXPECT_FALSE(journal.reserveLow());
    struct stat st {};
    ASSERT_EQ(::stat(journal.reservePath().c_str(), &st), 0);
    EXPECT_GE(static_cast<long long>(st.st_blocks) * 512, PendingJournal::ReserveBytes)
        << "allocated, not sparse";
    EXPECT_EQ(st.st_mode & 0777, 0640u);
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

TEST(PendingJournalTest, AReplayKilledAtAnyMomentStoresEveryRecordOnceInOrder) {
    // Another process replays the journal and is killed (SIGKILL) at a random moment, again and again;
    // a last replay in this process then finishes the work. Whatever moment a kill hit, every record is
    // stored once, in its order.
    TestInstall install;
    const std::string path = install.dir() + "/Sentinex.pending";
    constexpr int Transits = 600;
    {
        std::ofstream out(path, std::ios::binary);
        for (int i = 0; i < Transits; ++i) {
            const std::string badge = std::to_string(1000 + i);
            PendingRecord t = refusal(badge, "10:00");
            t.id = "kill-t" + std::to_string(i);
            PendingRecord in = PendingRecord::presenceAdd(badge);
            in.id = "kill-p" + std::to_string(i);
            out << PendingJournal::encode(t) << PendingJournal::encode(in);
        }
    }
    const auto seed = std::random_device{}();
    std::cout << "kill seed " << seed << "\n";
    std::mt19937 rng(seed);
    int killed = 0;
    int finished = 0;
    for (int round = 0; round < 40; ++round) {
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            // The child uses only its own connection and leaves without running destructors.
            bool done = false;
            try {
                auto db = Database::open(install.folder().database());
                PendingJournal journal(*db, path);
                done = journal.replay();
            } catch (...) {
            }
            _exit(done ? 0 : 1);
        }
        // Later and later kills: the first ones hit the start, the later ones the replay and its end.
        std::uniform_int_distribution<int> delayUs(0, 800 * (round + 1));
        std::this_thread::sleep_for(std::chrono::microseconds(delayUs(rng)));
        ::kill(pid, SIGKILL);
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        if (WIFSIGNALED(status)) {
            ++killed;
        } else {
            ASSERT_EQ(WEXITSTATUS(status), 0) << "a replay that ran to its end failed";
            ++finished;
        }
    }
    std::cout << killed << " replays killed, " << finished << " ran to their end\n";

    PendingJournal journal(*install.db(), path);
    ASSERT_TRUE(journal.replay());
    const auto rows = transits(install);
    ASSERT_EQ(rows.size(), static_cast<std::size_t>(Transits)) << "lost or duplicated";
    for (int i = 0; i < Transits; ++i) {
        ASSERT_EQ(rows[static_cast<std::size_t>(i)][0].toString(), std::to_string(1000 + i))
            << "out of order at " << i;
    }
    EXPECT_EQ(install.db()->query("SELECT COUNT(DISTINCT NumeroBadge), COUNT(*) FROM presenti").at(0),
              (std::vector<Value>{Value(Transits), Value(Transits)}));
    EXPECT_EQ(install.db()->query("PRAGMA integrity_check").at(0).at(0).toString(), "ok");
    EXPECT_EQ(PendingJournal(*install.db(), path).waiting(), 0u);
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
