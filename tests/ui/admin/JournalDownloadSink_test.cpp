#include "ui/admin/JournalDownloadSink.hpp"

#include "online/PendingJournal.hpp"
#include "store/Database.hpp"
#include "support/TestInstall.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace sentinex {
namespace {

using testing::TestInstall;

TEST(JournalDownloadSinkTest, KeepsARefusedRecordAsTheOffLinePassageStoricoWouldHaveMade) {
    const DownloadedTransit record{"0042", "Rossi", "Mario", 2, "UFFICI  ", "03/01/2026", "09:05", "Out"};
    const std::vector<Value> asStored = {"0042",  "Rossi", "Mario", "UFFICI  ", "03/01/2026",
                                         "09:05", 1,       "Out",   "OffLine"};
    struct Case {
        const char* what;
        bool refuse;
        bool fileWritable;
        bool kept;
        std::size_t waiting;
    };
    const Case cases[] = {
        {"database takes it at once", false, true, true, 0},
        {"database refuses, file takes it", true, true, true, 1},
        {"database and file refuse: memory only", true, false, false, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TestInstall install;
        if (c.refuse) {
            install.db()->executeScript("CREATE TRIGGER disk_full BEFORE INSERT ON transiti "
                                        "BEGIN SELECT RAISE(ABORT, 'database or disk is full'); END;");
        }
        const std::string path = c.fileWritable ? install.folder().file("Sentinex.download.pending")
                                                : install.dir() + "/missing/x.pending";
        PendingJournal journal(*install.db(), path);
        JournalDownloadSink sink(journal);
        EXPECT_EQ(sink.keep(record), c.kept);
        EXPECT_EQ(journal.waiting(), c.waiting);
        if (c.refuse) {
            install.db()->execute("DROP TRIGGER disk_full");
            EXPECT_TRUE(journal.replay());
        }
        const auto rows =
            install.db()->query("SELECT NumeroBadge, Cognome, Nome, PosizioneLettore, Data, Ora, "
                                "Passaggio, verso, nota FROM transiti");
        ASSERT_EQ(rows.size(), 1u);
        EXPECT_EQ(rows[0], asStored);
    }
}

} // namespace
} // namespace sentinex
