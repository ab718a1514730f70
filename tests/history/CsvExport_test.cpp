#include "HistoryFixture.hpp"

#include "history/AttendanceComputation.hpp"
#include "history/CsvWriter.hpp"
#include "history/HistoryArchive.hpp"
#include "history/HistoryCsvExport.hpp"
#include "history/HistorySelection.hpp"

#include "support/TempDir.hpp"

#include <gtest/gtest.h>

#include <filesystem>

namespace sentinex {
namespace {

using testing::addTransits;
using testing::TempDir;
using testing::TestInstall;
using testing::TransitRow;

const std::string kBom = "\xEF\xBB\xBF";

TEST(CsvWriterTest, QuotesOnlyFieldsThatNeedIt) {
    const std::pair<const char*, const char*> cases[] = {
        {"Rossi", "Rossi"},
        {"", ""},
        {"D'Angelo", "D'Angelo"},
        {"a;b", "\"a;b\""},
        {"Via \"Roma\"", "\"Via \"\"Roma\"\"\""},
        {"riga\r\nnuova", "\"riga\r\nnuova\""},
        {"a\nb", "\"a\nb\""},
        {"\"", "\"\"\"\""},
        {" spazi ", " spazi "},
        {"Niccolò", "Niccolò"},
    };
    for (const auto& [field, written] : cases) {
        EXPECT_EQ(CsvWriter::quoted(field), written) << field;
    }
}

TEST(CsvWriterTest, WritesBomSemicolonsAndCrLf) {
    TempDir dir;
    const std::string path = dir.file("a.csv");
    CsvWriter csv(path);
    csv.writeRecord({"a", "b;c", ""});
    csv.writeRecord({"d"});
    csv.close();
    EXPECT_EQ(TempDir::read(path), kBom + "a;\"b;c\";\r\nd\r\n");
}

TEST(CsvWriterTest, AFileThatCannotBeWrittenIsReported) {
    TempDir dir;
    EXPECT_THROW(CsvWriter(dir.file("no/such/folder.csv")), std::runtime_error);
    std::filesystem::create_directory(dir.file("a folder"));
    EXPECT_THROW(CsvWriter(dir.file("a folder")), std::runtime_error);
}

class HistoryCsvTest : public ::testing::Test {
protected:
    TestInstall install;
    TempDir out;
};

TEST_F(HistoryCsvTest, SelectionIsWrittenAsShownWithDatesAsDayMonthYear) {
    TransitRow entry;
    entry.Cognome = "D'Amico; Jr";
    entry.Nome = "Niccolò";
    entry.Data = "5/1/2026"; // an older record's short form still comes out as dd/mm/yyyy
    entry.Ora = "08:00";
    TransitRow refusal;
    refusal.Data = "05/01/2026";
    refusal.Ora = "09:30";
    refusal.Passaggio = 0;
    refusal.verso = "Out";
    refusal.nota = "Blocco per anti pass back";
    refusal.PosizioneLettore = "Uscita \"B\"";
    addTransits(*install.db(), {refusal, entry});
    HistoryArchive archive(install.db(), install.reportDb());
    HistoryChoices c;
    c.start = c.end = CalendarDate(2026, 1, 5);
    ASSERT_EQ(archive.fillTemp(HistorySelection::plan(c)), 2);

    const std::string path = out.file("storico.csv");
    EXPECT_EQ(HistoryCsvExport::writeSelection(*install.reportDb(), path), 2);
    EXPECT_EQ(TempDir::read(path),
              kBom + "Cognome;Nome;Numero Badge;Data;Ora;Posizione;Verso;Nota;Passaggio\r\n"
                     "\"D'Amico; Jr\";Niccolò;0012;05/01/2026;08:00;Ingresso;In;Passaggio;Sì\r\n"
                     "Rossi;Mario;0012;05/01/2026;09:30;\"Uscita \"\"B\"\"\";Out;Blocco per anti pass "
                     "back;No\r\n");
}

TEST_F(HistoryCsvTest, AttendanceRowsAreWrittenWithEmptyFieldsForWhatIsMissing) {
    Database& rep = *install.reportDb();
    for (const auto& [verso, when] : std::vector<std::pair<const char*, const char*>>{
             {"In", "05/01/2026 22:30"}, {"Out", "06/01/2026 06:15"}, {"Out", "06/01/2026 07:00"}}) {
        double n = 0;
        ASSERT_TRUE(dateTextToDaySerial(when, n));
        rep.execute("INSERT INTO temp (Cognome, Nome, NumeroBadge, verso, dataora, passaggio) VALUES "
                    "('Rossi', 'Mario', '0012', ?, ?, 1)",
                    {verso, n});
    }
    ASSERT_EQ(AttendanceComputation::run(rep).rows, 2);
    const std::string path = out.file("presenze.csv");
    EXPECT_EQ(HistoryCsvExport::writeAttendance(rep, path), 2);
    EXPECT_EQ(TempDir::read(path), kBom + "Cognome;Nome;Numero Badge;Ingresso;Uscita;Ore;Minuti\r\n"
                                          "Rossi;Mario;0012;05/01/2026 22:30:00;06/01/2026 06:15:00;7;45\r\n"
                                          "Rossi;Mario;0012;;06/01/2026 07:00:00;;\r\n");
}

} // namespace
} // namespace sentinex
