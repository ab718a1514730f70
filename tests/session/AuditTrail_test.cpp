// Every change the windows make through their stores and rules leaves exactly one row of the operators'
// record, and a change that fails leaves none: one table of actions, played as it succeeds, under
// another program's write lock and on a file whose record cannot take the row.
#include "admin/PasswordFile.hpp"
#include "admin/PasswordManagement.hpp"
#include "admin/SettingsDialogSave.hpp"
#include "core/Settings.hpp"
#include "core/SettingsDialogFields.hpp"
#include "core/SettingsFile.hpp"
#include "history/HistoryArchive.hpp"
#include "masterdata/BandStore.hpp"
#include "masterdata/HolidayStore.hpp"
#include "masterdata/UserRelease.hpp"
#include "masterdata/UserStore.hpp"
#include "online/AntiPassbackReset.hpp"
#include "readers/programming/ReaderStore.hpp"
#include "store/AuditLog.hpp"
#include "store/Database.hpp"
#include "support/ScriptedOperator.hpp"
#include "support/TestInstall.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <regex>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace sentinex {
namespace {

using testing::ScriptedOperator;
using testing::TestInstall;

/// A site with one reader, one user (card 0001, held by the inspection, inside), one band, one holiday
/// and three transits, each stored as its own store stores it, so a save that changes one field
/// differs from it in that field only.
struct Site {
    Site() {
        install.addReader({});
        userKey = install.addUser({});
        install.db()->execute("UPDATE Carte SET Imparziale = 1 WHERE rowid = ?", {userKey});
        install.db()->execute("INSERT INTO presenti (NumeroBadge) VALUES ('0001')");
        install.populate(0, 3);
        users().save(users().byKey(userKey)->user, userKey);
        BandRecord band;
        band.name = "Mattino";
        band.band.times[0] = "08:00";
        band.band.times[1] = "12:00";
        bandKey = BandStore(install.db()).save(band, std::nullopt);
        holidayKey = HolidayStore(*install.db()).add({"25/12", "Natale", HolidayRecord::Closed});
        install.setSetting("Utenti", "1");
        install.setSetting("Polling", "100");
        install.setSetting("RiprendiPolling", "No");
        install.setSetting("CopieBackup", "7"); // as the dialog writes it: only Polling changes
        settings = SettingsFile(install.folder().settings()).loadAll();
    }

    UserStore users() { return UserStore(install.db()); }
    std::int64_t rows() { return install.db()->query("SELECT count(*) FROM Registro").at(0).at(0).toInt(); }
    /// The last row: Finestra, Azione, Chiave, Prima, Dopo.
    std::vector<std::string> lastRow() {
        const auto r = install.db()->query(
            "SELECT Finestra, Azione, Chiave, Prima, Dopo, Quando, Utente FROM Registro ORDER BY rowid DESC "
            "LIMIT 1");
        std::vector<std::string> out;
        for (const Value& v : r.at(0)) {
            out.push_back(v.toString());
        }
        return out;
    }
    /// Every table a window changes, whole, as text.
    std::string content() {
        std::string out;
        for (const char* table : {"Carte", "Lettori", "Fasce", "Festivita", "transiti", "presenti"}) {
            for (const auto& row :
                 install.db()->query(std::string("SELECT * FROM ") + table + " ORDER BY rowid")) {
                for (const Value& v : row) {
                    out += v.toString() + "|";
                }
                out += "\n";
            }
        }
        return out;
    }

    TestInstall install;
    ScriptedOperator op;
    Settings settings;
    std::int64_t userKey = 0;
    std::int64_t bandKey = 0;
    std::int64_t holidayKey = 0;
};

struct AuditCase {
    const char* name;
    const char* window;
    const char* action;
    const char* key; // "" for a key the case does not fix
    std::function<void(Site&)> act;
    /// Prima and Dopo: exact texts, or, starting with "~", a line each must hold.
    std::string before;
    std::string after;
    /// The change and its row are one database transaction (not a file write followed by its row).
    bool oneTransaction = true;
};

void expectText(const std::string& expected, const std::string& actual, const char* what) {
    if (!expected.empty() && expected.front() == '~') {
        EXPECT_NE(("\n" + actual + "\n").find("\n" + expected.substr(1) + "\n"), std::string::npos)
            << what << ": " << actual;
    } else {
        EXPECT_EQ(actual, expected) << what;
    }
}

UserRecord newUser() {
    UserRecord u;
    u.surname = "Bianchi";
    u.cardNumber = "0042";
    u.cardEnabled = true;
    return u;
}

ReaderRecord storedReader(Site& s) {
    return ReaderStore(s.install.db()).at(1);
}

const std::vector<AuditCase>& cases() {
    static const std::vector<AuditCase> all = {
        {"UserCreated", "FrmCardsAbil", "Utente creato", "",
         [](Site& s) { s.users().save(newUser(), std::nullopt); }, "", "~NumeroCarta=0042"},
        {"UserReaderEnablementChanged", "FrmCardsAbil", "Utente modificato", "1",
         [](Site& s) {
             UserRecord u = s.users().byKey(s.userKey)->user;
             u.readerFlags[1] = 0;
             s.users().save(u, s.userKey);
         },
         "Lettore=" + std::string(64, '1'), "Lettore=10" + std::string(62, '1')},
        {"UserDeleted", "FrmCardsAbil", "Utente eliminato", "1", [](Site& s) { s.users().remove(s.userKey); },
         "~Cognome=Rossi", ""},
        {"ReaderCreated", "FrmConfLettori", "Lettore creato", "2",
         [](Site& s) {
             ReaderRecord r = storedReader(s);
             r.NumeroIndirizzo = 2;
             ReaderStore(s.install.db()).add(r);
         },
         "", "~NumeroIndirizzo=2"},
        {"ReaderChanged", "FrmConfLettori", "Lettore modificato", "1",
         [](Site& s) {
             ReaderRecord r = storedReader(s);
             r.SituatoPresso = "Uscita  ";
             ReaderStore(s.install.db()).update(1, r);
         },
         "SituatoPresso=Ingresso", "SituatoPresso=Uscita  "},
        {"ReaderDeleted", "FrmConfLettori", "Lettore eliminato", "1",
         [](Site& s) { ReaderStore(s.install.db()).remove(1); }, "~SituatoPresso=Ingresso", ""},
        {"BandCreated", "FrmFasceOnline", "Fascia creata", "",
         [](Site& s) {
             BandRecord b;
             b.name = "Sera";
             BandStore(s.install.db()).save(b, std::nullopt);
         },
         "", "~Nome=Sera"},
        {"BandChanged", "FrmFasceOnline", "Fascia modificata", "",
         [](Site& s) {
             BandStore store(s.install.db());
             BandRecord b = store.atPosition(1)->record;
             b.band.times[1] = "13:00";
             store.save(b, s.bandKey);
         },
         "Lun_1_a=12:00", "Lun_1_a=13:00"},
        {"BandDeleted", "FrmFasceOnline", "Fascia eliminata", "",
         [](Site& s) { BandStore(s.install.db()).remove(s.bandKey); }, "~Nome=Mattino", ""},
        {"HolidayCreated", "FrmFestivita", "Festività creata", "",
         [](Site& s) {
             HolidayStore(*s.install.db()).add({"01/05", "Lavoro", HolidayRecord::Closed});
         },
         "", "Data=01/05\nDescrizione=Lavoro\nTipo=Chiuso"},
        {"HolidayChanged", "FrmFestivita", "Festività modificata", "",
         [](Site& s) {
             HolidayStore(*s.install.db()).change(s.holidayKey, {"25/12", "Natale", HolidayRecord::Sunday});
         },
         "Tipo=Chiuso", "Tipo=Domenica"},
        {"HolidayDeleted", "FrmFestivita", "Festività eliminata", "",
         [](Site& s) { HolidayStore(*s.install.db()).remove(s.holidayKey); },
         "Data=25/12\nDescrizione=Natale\nTipo=Chiuso", ""},
        {"HistoryDeleted", "FrmViewStoria", "Storico cancellato", "Tutto",
         [](Site& s) { HistoryArchive(s.install.db(), s.install.reportDb()).deleteHistory(std::nullopt); },
         "Periodo=Tutto", "TransitiCancellati=3"},
        {"AntiPassbackReset", "FrmFunzAgg", "Antipass-back riazzerato", "presenti",
         [](Site& s) {
             s.op.queueAnswer(Answer::Yes);
             SettingsFile file(s.install.folder().settings());
             AntiPassbackReset(*s.install.db(), s.settings, file, s.op).run();
         },
         "Presenti=1\nUtenti=1", "Presenti=0\nUtenti=0"},
        {"InspectionRelease", "FrmCardsAbil", "Utente riabilitato dall'imparziale", "1",
         [](Site& s) {
             s.op.queueAnswer(Answer::Yes);
             ASSERT_TRUE(UserRelease::release(*s.install.db(), s.op, true, {true, true, "0001"}));
         },
         "Imparziale=1", "Imparziale=0"},
        {"SettingsSaved", "FrmProgSetup", "Impostazioni salvate", "Sentinex.ini",
         [](Site& s) {
             SettingsDialogFields fields = SettingsDialogFields::fromSettings(s.settings);
             fields.Polling = "250";
             std::string failed;
             ASSERT_TRUE(SettingsDialogSave::save(fields, s.install.db(),
                                                  SettingsFile(s.install.folder().settings()), s.settings,
                                                  s.op, failed))
                 << failed;
         },
         "Polling=100", "Polling=250", false},
        {"PasswordSet", "FrmGestPassw", "Password inserita", "pswsentinex.txt",
         [](Site& s) {
             PasswordManagement m(PasswordFile(s.install.folder()), s.op, s.install.db());
             ASSERT_EQ(m.open(), PasswordManagement::Layout::SetNew);
             m.set("segreta");
         },
         "Password=nessuna", "Password=impostata", false},
        {"PasswordChanged", "FrmGestPassw", "Password cambiata", "pswsentinex.txt",
         [](Site& s) {
             ASSERT_TRUE(PasswordFile(s.install.folder()).store("vecchia"));
             PasswordManagement m(PasswordFile(s.install.folder()), s.op, s.install.db());
             m.open();
             m.confirm(PasswordManagement::Mode::Change, "vecchia", "nuova");
         },
         "Password=impostata", "Password=impostata", false},
        {"PasswordRemoved", "FrmGestPassw", "Password eliminata", "pswsentinex.txt",
         [](Site& s) {
             ASSERT_TRUE(PasswordFile(s.install.folder()).store("vecchia"));
             PasswordManagement m(PasswordFile(s.install.folder()), s.op, s.install.db());
             m.open();
             m.confirm(PasswordManagement::Mode::Remove, "vecchia", "");
         },
         "Password=impostata", "Password=nessuna", false},
    };
    return all;
}

/// The cases whose change is a database write: the file writes keep their change when the row fails.
std::vector<AuditCase> transactionalCases() {
    std::vector<AuditCase> out;
    for (const AuditCase& c : cases()) {
        if (c.oneTransaction) {
            out.push_back(c);
        }
    }
    return out;
}

class AuditTrail : public ::testing::TestWithParam<AuditCase> {};

TEST_P(AuditTrail, EachActionWritesOneRowWithItsBeforeAndAfter) {
    const AuditCase& c = GetParam();
    Site site;
    const std::int64_t before = site.rows();
    c.act(site);
    ASSERT_EQ(site.rows(), before + 1);
    const auto row = site.lastRow();
    EXPECT_EQ(row[0], c.window);
    EXPECT_EQ(row[1], c.action);
    if (*c.key) {
        EXPECT_EQ(row[2], c.key);
    }
    expectText(c.before, row[3], "Prima");
    expectText(c.after, row[4], "Dopo");
    EXPECT_TRUE(std::regex_match(row[5], std::regex(R"(\d\d/\d\d/\d{4} \d\d:\d\d:\d\d)"))) << row[5];
    EXPECT_EQ(row[6], AuditLog::operatingSystemUser());
    EXPECT_FALSE(row[6].empty());
}

/// What keeps the row out: another program's write lock, or a record table the file refuses to write.
enum class Obstacle { Locked, RecordRefused };

class AuditTrailFailure : public ::testing::TestWithParam<std::tuple<AuditCase, Obstacle>> {};

TEST_P(AuditTrailFailure, AChangeThatFailsWritesNoRowAndARowThatFailsKeepsNoChange) {
    const auto& [c, obstacle] = GetParam();
    Site site;
    const std::int64_t rowsBefore = site.rows();
    const std::string contentBefore = site.content();
    std::shared_ptr<Database> other;
    if (obstacle == Obstacle::Locked) {
        site.install.db()->setBusyTimeout(50);
        site.install.reportDb()->setBusyTimeout(50);
        other = Database::open(site.install.folder().database());
        other->executeScript("BEGIN IMMEDIATE");
    } else {
        // A trigger stands for whatever makes the engine refuse the row (a full disk, a damaged page).
        site.install.db()->executeScript(
            "CREATE TRIGGER refuse BEFORE INSERT ON Registro BEGIN SELECT RAISE(ABORT, 'refused'); END");
    }
    try {
        c.act(site);
    } catch (const std::exception&) {
        // A store lets the engine's error travel; the presenters above it show it.
    }
    if (other) {
        other->executeScript("ROLLBACK");
    }
    EXPECT_EQ(site.rows(), rowsBefore);
    EXPECT_EQ(site.content(), contentBefore);
}

INSTANTIATE_TEST_SUITE_P(Actions, AuditTrail, ::testing::ValuesIn(cases()),
                         [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(Actions, AuditTrailFailure,
                         ::testing::Combine(::testing::ValuesIn(transactionalCases()),
                                            ::testing::Values(Obstacle::Locked, Obstacle::RecordRefused)),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param).name) +
                                    (std::get<1>(info.param) == Obstacle::Locked ? "Locked"
                                                                                 : "RecordRefused");
                         });

TEST(AuditTrailTest, ASaveRefusedForATakenCardWritesNoRow) {
    Site site;
    const std::int64_t before = site.rows();
    UserRecord twin = newUser();
    twin.cardNumber = "1"; // the same card as 0001 by value
    EXPECT_THROW(site.users().save(twin, std::nullopt), UserStore::CardTaken);
    EXPECT_EQ(site.rows(), before);
}

TEST(AuditTrailTest, AFileThatCannotBeWrittenWritesNoRow) {
    Site site;
    const std::int64_t before = site.rows();
    // The password file's place is a folder: the store fails, and nothing is recorded.
    const std::string path = site.install.dir() + "/pswsentinex.txt";
    std::remove(path.c_str());
    ASSERT_EQ(mkdir(path.c_str(), 0700), 0);
    PasswordManagement m(PasswordFile(path), site.op, site.install.db());
    m.open();
    EXPECT_EQ(m.set("segreta"), PasswordManagement::After::Stay);
    EXPECT_EQ(site.rows(), before);
}

TEST(AuditTrailTest, AFileWriteWhoseRowIsRefusedStandsAndIsTold) {
    Site site;
    site.install.db()->executeScript(
        "CREATE TRIGGER refuse BEFORE INSERT ON Registro BEGIN SELECT RAISE(ABORT, 'refused'); END");
    PasswordManagement m(PasswordFile(site.install.folder()), site.op, site.install.db());
    m.open();
    EXPECT_EQ(m.set("segreta"), PasswordManagement::After::Close);
    EXPECT_EQ(PasswordFile(site.install.folder()).read().password, "segreta");
    ASSERT_EQ(site.op.shown.size(), 2u);
    EXPECT_EQ(site.op.shown[0].title, "Errore");
    EXPECT_EQ(site.op.shown[0].text, std::string(PasswordManagement::RecordFailedText) + "refused");
    EXPECT_EQ(site.op.shown[1].text, "Password inserita.");
}

} // namespace
} // namespace sentinex
