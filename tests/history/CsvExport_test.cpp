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
        // What a spreadsheet would run as a formula stays text.
        {"=HYPERLINK(\"http://x\")", "\"'=HYPERLINK(\"\"http://x\"\")\""},
        {"=1+1", "'=1+1"},
        {"+39 055", "'+39 055"},
        {"-2", "'-2"},
        {"@SUM(A1)", "'@SUM(A1)"},
        {"\tcmd", "'\tcmd"},
        {"\rcmd", "\"'\rcmd\""},
        {"a=b", "a=b"},
        {"Rossi-Bianchi", "Rossi-Bianchi"},
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

TEST(CsvWriterTest, AFailedExportLeavesTheOlderFileWholeAndNoPartOfTheNewOne) {
    TempDir dir;
    const std::string path = dir.file("a.csv");
    dir.write("a.csv", "older export");
    {
        CsvWriter csv(path);
        csv.writeRecord({"half"});
        // Until close() the chosen file is untouched.
        EXPECT_EQ(TempDir::read(path), "older export");
        // The export stops here (an exception between records): nothing is renamed.
    }
    EXPECT_EQ(TempDir::read(path), "older export");
    EXPECT_FALSE(std::filesystem::exists(CsvWriter::temporaryPath(path)));

    // The rename itself is refused: a folder has taken the chosen name meanwhile.
    const std::string taken = dir.file("b.csv");
    {
        CsvWriter csv(taken);
        csv.writeRecord({"x"});
        std::filesystem::create_directory(taken);
        dir.write("b.csv/inside", "");
        EXPECT_THROW(csv.close(), std::runtime_error);
    }
    EXPECT_TRUE(std::filesystem::is_directory(taken));
    EXPECT_FALSE(std::filesystem::exists(CsvWriter::temporaryPath(taken)));

    // A complete export replaces the older file at once.
    CsvWriter csv(path);
    csv.writeRecord({"new"});
    csv.close();
    EXPECT_EQ(TempDir::read(path), kBom + "new\r\n");
    EXPECT_FALSE(std::filesystem::exists(CsvWriter::temporaryPath(path)));
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
