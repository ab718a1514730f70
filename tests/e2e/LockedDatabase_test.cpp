// Another program holds the database's write lock (a backup tool, a second copy of the program opened by
// hand, an editor) while an operator works in a window: every write through a window shows "Errore" and
// leaves the program running; the doors keep being answered while the lock lasts, and once it is gone the
// same window works again.

#include "E2eRig.hpp"

#include "store/Database.hpp"
#include "ui/admin/FrmFunzAgg.hpp"
#include "ui/history/FrmViewStoria.hpp"
#include "ui/masterdata/FrmCardsAbil.hpp"
#include "ui/masterdata/FrmFasceOnline.hpp"
#include "ui/readers/FrmConfLettori.hpp"

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QPointer>
#include <QTest>

namespace sentinex::e2e {
namespace {

/// Another connection in the middle of a write: readers go on (the file is in WAL mode), writers wait for
/// the busy timeout and fail with "database is locked".
class WriteLock {
public:
    explicit WriteLock(const std::string& path) : m_db(Database::open(path)) {
        m_db->executeScript("BEGIN IMMEDIATE");
    }
    ~WriteLock() { m_db->executeScript("ROLLBACK"); }
    WriteLock(const WriteLock&) = delete;
    WriteLock& operator=(const WriteLock&) = delete;

private:
    std::shared_ptr<Database> m_db;
};

QWidget* window(const char* name) {
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (top->objectName() == QString::fromLatin1(name) && top->isVisible()) {
            return top;
        }
    }
    return nullptr;
}

void click(QWidget* form, const char* name) {
    ASSERT_NE(form, nullptr) << name;
    auto* b = form->findChild<QAbstractButton*>(QString::fromLatin1(name));
    ASSERT_NE(b, nullptr) << name;
    b->click();
}

void type(QWidget* form, const char* name, const char* text) {
    ASSERT_NE(form, nullptr) << name;
    auto* box = form->findChild<QLineEdit*>(QString::fromLatin1(name));
    ASSERT_NE(box, nullptr) << name;
    box->selectAll();
    QTest::keyClicks(box, QString::fromUtf8(text));
}

/// Opens the additional functions form, then the tool behind `button` in it.
QWidget* openTool(Rig& rig, const char* button, const char* tool) {
    rig.click("Command7");
    click(window("FrmFunzAgg"), button);
    return window(tool);
}

struct Case {
    const char* action;
    bool pollingOn; // the windows that work on the readers' table ask for polling off
    /// Opens the window and prepares the action (before the lock); returns the window.
    std::function<QWidget*(Rig&)> open;
    /// The write, under the lock; the answers it asks for are queued by the case.
    std::function<void(Rig&, QWidget*)> act;
    /// What the table holds after a write that went in (checked once the lock is gone and the action is
    /// done again).
    const char* countSql;
    long long before;
    long long after;
};

TEST(LockedDatabaseE2eTest,
     EveryWriteOfAWindowUnderAnotherProgramsLockSaysErroreAndTheDoorsAreStillAnswered) {
    const Case cases[] = {
        {"new user", true,
         [](Rig& rig) {
             rig.click("Command1");
             QWidget* cards = window("FrmCardsAbil");
             click(cards, "Command3"); // Nuovo utente
             type(cards, "Text1", "Nuovo");
             type(cards, "Text4", "0077");
             return cards;
         },
         [](Rig&, QWidget* cards) { click(cards, "Command4"); }, // Salva dati
         "SELECT COUNT(*) FROM Carte", 2, 3},
        {"user deleted", true,
         [](Rig& rig) {
             rig.click("Command1");
             return window("FrmCardsAbil");
         },
         [](Rig& rig, QWidget* cards) {
             rig.op.queueAnswer(Answer::Yes);
             click(cards, "Command5"); // Elimina utente
         },
         "SELECT COUNT(*) FROM Carte", 2, 1},
        {"history deleted", true,
         [](Rig& rig) {
             QWidget* viewer = openTool(rig, "Command3", "FrmViewStoria");
             click(viewer, "OptInteraParziale_2"); // Storia Completa
             return viewer;
         },
         [](Rig& rig, QWidget* viewer) {
             rig.op.queueAnswer(Answer::Yes);
             click(viewer, "CmdDelStorico");
         },
         "SELECT COUNT(*) FROM transiti", 1, 0},
        {"new band", false,
         [](Rig& rig) {
             QWidget* bands = openTool(rig, "Command8", "FrmFasceOnline");
             click(bands, "Command1"); // Nuovo
             type(bands, "Text5", "Sera");
             return bands;
         },
         [](Rig&, QWidget* bands) { click(bands, "Command2"); }, // Salva nuovo
         "SELECT COUNT(*) FROM Fasce", 1, 2},
        {"reader changed", false,
         [](Rig& rig) {
             rig.click("Command3");
             QWidget* readers = window("FrmConfLettori");
             click(readers, "Command4"); // Modifica dati lettore
             type(readers, "Text3", "CANCELLO");
             return readers;
         },
         [](Rig&, QWidget* readers) { click(readers, "Command4"); }, // Salva dati
         "SELECT COUNT(*) FROM Lettori WHERE SituatoPresso = 'CANCELLO'", 0, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.action);
        Rig rig({{1, 1, "INGRESSO", "In"}}, false);
        for (const char* card : {"0042", "0043"}) {
            TestInstall::User u;
            u.NumeroCarta = card;
            u.Cognome = "Utente";
            u.Flag_online = true;
            u.Lettore = "1";
            rig.install.addUser(u);
        }
        rig.install.db()->execute("INSERT INTO Fasce (Nome) VALUES ('Mattino')");
        rig.install.db()->execute(
            "INSERT INTO transiti (NumeroBadge, PosizioneLettore, Data, Ora, Passaggio, verso, nota) VALUES "
            "('0042', 'INGRESSO', '01/12/2026', '08:00', 1, 'In', 'Passaggio')");
        ASSERT_TRUE(rig.start());
        rig.frm->show();
        rig.session->database()->setBusyTimeout(100); // the lock lasts: no need to wait the usual time
        if (c.pollingOn) {
            rig.click("Command4");
        }
        QPointer<QWidget> form = c.open(rig);
        ASSERT_NE(form, nullptr);
        ASSERT_EQ(rig.count(c.countSql), c.before);
        rig.op.clear();
        {
            WriteLock other(rig.install.folder().database());
            c.act(rig, form);
            const auto shown = rig.op.messages();
            ASSERT_FALSE(shown.empty());
            EXPECT_EQ(shown.back().title, "Errore");
            EXPECT_NE(shown.back().text.find("locked"), std::string::npos) << shown.back().text;
            EXPECT_FALSE(rig.op.waitShown());
            ASSERT_TRUE(form) << "the window is still there";
            EXPECT_TRUE(form->isVisible());
            if (c.pollingOn) {
                // The doors are answered while the lock lasts: the grant's record waits for the file.
                const std::size_t answered = rig.kRequests(1).size();
                rig.present(1, "0043000123");
                EXPECT_TRUE(pumpUntil([&] { return rig.kRequests(1).size() == answered + 1; }));
                EXPECT_EQ(rig.kRequests(1).back(), rig.prefix(1) + "K110001001");
            }
        }
        EXPECT_EQ(rig.count(c.countSql), c.before) << "nothing went in under the lock";

        // The lock is gone: the same window does the same write.
        rig.op.clear();
        c.act(rig, form);
        for (const auto& m : rig.op.messages()) {
            EXPECT_NE(m.title, "Errore") << m.text;
        }
        EXPECT_EQ(rig.count(c.countSql), c.after);
        if (c.pollingOn) {
            rig.stopPolling();
        }
        ASSERT_TRUE(form);
        form->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

} // namespace
} // namespace sentinex::e2e
