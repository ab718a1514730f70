#include "store/RecordSet.hpp"
#include "support/TestInstall.hpp"

#include <gtest/gtest.h>

#include <functional>

namespace sentinex {
namespace {

using testing::TestInstall;

class RecordSetTest : public ::testing::Test {
protected:
    TestInstall inst;
    void addCards(std::initializer_list<const char*> surnames) {
        int n = 1;
        for (const char* s : surnames) {
            TestInstall::User u;
            u.Cognome = s;
            char card[16];
            std::snprintf(card, sizeof card, "%04d", n++);
            u.NumeroCarta = card;
            inst.addUser(u);
        }
    }
    static std::vector<std::string> walk(RecordSet& rs) {
        std::vector<std::string> out;
        for (rs.moveFirst(); !rs.eof(); rs.moveNext()) {
            out.push_back(rs.text("cognome"));
        }
        return out;
    }
};

TEST_F(RecordSetTest, EmptyTableIsBothEndsAtOnce) {
    RecordSet rs(inst.db(), "Carte");
    EXPECT_TRUE(rs.eof());
    EXPECT_TRUE(rs.bof());
    EXPECT_EQ(rs.recordCount(), 0);
    EXPECT_FALSE(rs.findFirst("NumeroCarta = ?", {"0001"}));
    EXPECT_TRUE(rs.noMatch());
    EXPECT_TRUE(rs.field("Cognome").isNull());
    EXPECT_THROW(rs.edit(), DatabaseError);
}

TEST_F(RecordSetTest, NavigatesInStoredOrderBothWays) {
    addCards({"Bianchi", "Abate", "Conti"});
    for (const char* source :
         {"Carte", "[carte]", "SELECT * FROM Carte", "select Cognome, Nome from Carte"}) {
        SCOPED_TRACE(source);
        RecordSet rs(inst.db(), source);
        EXPECT_EQ(walk(rs), (std::vector<std::string>{"Bianchi", "Abate", "Conti"}));
        EXPECT_TRUE(rs.eof());
        rs.moveNext(); // stays at the end
        EXPECT_TRUE(rs.eof());
        rs.movePrevious();
        EXPECT_EQ(rs.text("COGNOME"), "Conti");
        rs.moveLast();
        EXPECT_EQ(rs.text("Cognome"), "Conti");
        rs.movePrevious();
        rs.movePrevious();
        EXPECT_EQ(rs.text("Cognome"), "Bianchi");
        rs.movePrevious();
        EXPECT_TRUE(rs.bof());
        EXPECT_FALSE(rs.eof());
        EXPECT_FALSE(rs.hasCurrent());
        rs.moveNext();
        EXPECT_EQ(rs.text("Cognome"), "Bianchi");
        EXPECT_EQ(rs.recordCount(), 3);
    }
}

TEST_F(RecordSetTest, SelectSourcesKeepTheirOrderAndCondition) {
    addCards({"Bianchi", "Abate", "Conti"});
    RecordSet rs(inst.db(), "SELECT * FROM Carte WHERE Cognome <> 'Conti' ORDER BY Cognome ASC");
    EXPECT_EQ(walk(rs), (std::vector<std::string>{"Abate", "Bianchi"}));
    RecordSet joined(inst.db(), "SELECT c.Cognome, count(*) AS n FROM Carte c GROUP BY c.Cognome ORDER BY 1");
    EXPECT_EQ(joined.recordCount(), 3);
    EXPECT_EQ(joined.field("N").toInt(), 1);
    EXPECT_THROW(joined.edit(), DatabaseError);
    EXPECT_THROW(RecordSet(inst.db(), "NonEsiste"), DatabaseError);
    EXPECT_THROW(RecordSet(inst.db(), "SELECT * FROM NonEsiste"), DatabaseError);
}

TEST_F(RecordSetTest, FindFirstBindsValuesSoQuotesAreData) {
    addCards({"D'Amico", "Rossi", "O'Brien"});
    const std::string hostile = "x' OR '1'='1";
    for (const char* source : {"Carte", "SELECT * FROM Carte ORDER BY NumeroCarta DESC"}) {
        SCOPED_TRACE(source);
        RecordSet rs(inst.db(), source);
        EXPECT_TRUE(rs.findFirst("Cognome = ?", {"O'Brien"}));
        EXPECT_FALSE(rs.noMatch());
        EXPECT_EQ(rs.text("NumeroCarta"), "0003");
        EXPECT_FALSE(rs.findFirst("Cognome = ?", {hostile}));
        EXPECT_TRUE(rs.noMatch());
        EXPECT_FALSE(rs.hasCurrent());
        EXPECT_TRUE(rs.field("Cognome").isNull());
        EXPECT_TRUE(rs.findFirst("AbilitaCarta = true AND NumeroCarta <> ?", {"0001"}));
        EXPECT_EQ(rs.text("Cognome"), std::string(source) == "Carte" ? "Rossi" : "O'Brien");
        rs.moveNext();
        EXPECT_EQ(rs.text("Cognome"), std::string(source) == "Carte" ? "O'Brien" : "Rossi");
    }
    EXPECT_EQ(inst.db()->query("SELECT count(*) FROM Carte")[0][0].toInt(), 3);
}

TEST_F(RecordSetTest, FindFirstMeansTheSameOnEveryKindOfSource) {
    // One criteria, one answer: the table, a SELECT of it (editable or not) and a view of it hold the
    // same rows in the same order, so the first record that satisfies a condition is the same record.
    // The engine compares a field as its column's type says: '1' equals the 1 of an INTEGER column,
    // 12 equals the text '12' of a TEXT column, NULL equals nothing, text compares with its case.
    auto& db = *inst.db();
    const struct {
        const char *nome, *cognome, *carta;
        int abilita, scelta;
        Value stringa;
        int fasce;
    } users[] = {
        {"A", "Rossi", "0012", 0, 2, Value(), 0},
        {"B", "rossi", "12", 1, 0, Value("ABC"), 0},
        {"C", "ROSSI", "7", 1, 3, Value(""), 0},
        {"D", "Verdi", "0007", 0, 1, Value(), 1},
    };
    for (const auto& u : users) {
        db.execute("INSERT INTO Carte (Nome, Cognome, NumeroCarta, AbilitaCarta, SceltaFascia, Stringa, "
                   "Flag_fasce) VALUES (?, ?, ?, ?, ?, ?, ?)",
                   {u.nome, u.cognome, u.carta, u.abilita, u.scelta, u.stringa, u.fasce});
    }
    const struct {
        const char* badge;
        int passaggio;
    } transits[] = {{"0001", 0}, {"0002", 1}, {"0003", 1}};
    for (const auto& t : transits) {
        db.execute("INSERT INTO transiti (NumeroBadge, Passaggio) VALUES (?, ?)", {t.badge, t.passaggio});
    }
    db.executeScript("CREATE VIEW vista_Carte AS SELECT * FROM Carte; "
                     "CREATE VIEW vista_transiti AS SELECT * FROM transiti;");

    struct Case {
        const char* criteria;
        std::vector<Value> params;
        const char* expected; // marker field of the record found, nullptr for no match
    };
    const struct {
        const char* table;
        const char* marker;
        std::vector<Case> cases;
    } tables[] = {
        {"transiti",
         "NumeroBadge",
         {
             {"Passaggio = '1'", {}, "0002"},
             {"Passaggio = 1", {}, "0002"},
             {"Passaggio = true", {}, "0002"},
             {"Passaggio = false", {}, "0001"},
             {"Passaggio = ?", {"1"}, "0002"},
             {"Passaggio = ? AND NumeroBadge <> ?", {true, "0002"}, "0003"},
             {"NumeroBadge = 2", {}, nullptr},
             {"NumeroBadge = ?", {3}, nullptr},
         }},
        {"Carte",
         "Nome",
         {
             {"AbilitaCarta = true", {}, "B"},
             {"AbilitaCarta = '1'", {}, "B"},
             {"AbilitaCarta = false", {}, "A"},
             {"AbilitaCarta = 'True'", {}, nullptr},
             {"Flag_fasce", {}, "D"},
             {"NumeroCarta = 12", {}, "B"},
             {"NumeroCarta = '0012'", {}, "A"},
             {"NumeroCarta = ?", {7}, "C"},
             {"NumeroCarta = ?", {"0007"}, "D"},
             {"SceltaFascia = '3'", {}, "C"},
             {"SceltaFascia = ?", {"1"}, "D"},
             {"SceltaFascia > '1'", {}, "A"},
             {"Stringa IS NULL AND AbilitaCarta = 0 AND SceltaFascia < 2", {}, "D"},
             {"Stringa = NULL", {}, nullptr},
             {"Stringa <> 'ABC'", {}, "C"},
             {"Cognome = 'rossi'", {}, "B"},
             {"Cognome = ?", {"ROSSI"}, "C"},
             {"Cognome LIKE 'ROSSI' AND Nome <> 'A'", {}, "B"},
             {"upper(Cognome) = ? AND Flag_fasce = true", {"VERDI"}, "D"},
             {"Cognome = 'Bianchi'", {}, nullptr},
         }},
    };
    for (const auto& t : tables) {
        const std::string table = t.table;
        for (const std::string& source :
             {table, "SELECT * FROM " + table, "SELECT DISTINCT * FROM " + table + " ORDER BY rowid",
              "vista_" + table}) {
            RecordSet rs(inst.db(), source);
            for (const Case& c : t.cases) {
                SCOPED_TRACE(source + ": " + c.criteria);
                const bool found = rs.findFirst(c.criteria, c.params);
                EXPECT_EQ(found, c.expected != nullptr);
                EXPECT_EQ(rs.noMatch(), !found);
                EXPECT_EQ(rs.hasCurrent(), found);
                EXPECT_EQ(rs.text(t.marker), c.expected ? c.expected : "");
            }
            EXPECT_THROW(rs.findFirst("Cognome = = ?", {"x"}), DatabaseError) << source;
        }
    }
}

TEST_F(RecordSetTest, FindFirstOnASelectWithBoundValuesKeepsTheTwoSetsOfValuesApart) {
    // The criteria's values follow the SELECT's own: a numbered `?1` in the criteria means the
    // criteria's first value, not the SELECT's, and a `?1` inside quotes is text.
    addCards({"Rossi", "Bianchi", "Verdi", "Neri", "?1"});
    RecordSet rs(inst.db(), "SELECT * FROM Carte WHERE Cognome <> ? ORDER BY Cognome", {"Verdi"});
    ASSERT_EQ(walk(rs), (std::vector<std::string>{"?1", "Bianchi", "Neri", "Rossi"}));
    const struct {
        const char* criteria;
        std::vector<Value> params;
        const char* expected;
    } cases[] = {
        {"NumeroCarta = ?1 OR Cognome = ?1", {"0004"}, "Neri"},
        {"Cognome = ? AND NumeroCarta = ?", {"Rossi", "0001"}, "Rossi"},
        {"NumeroCarta = ?2 AND Cognome <> ?1", {"Bianchi", "0002"}, nullptr},
        {"NumeroCarta = ?2 AND Cognome <> ?1", {"Rossi", "0002"}, "Bianchi"},
        {"Cognome = '?1' OR NumeroCarta = ?1", {"0002"}, "?1"},
        {"Cognome <> '?1' AND NumeroCarta = ?1", {"0002"}, "Bianchi"},
        {"Cognome = ?", {"Verdi"}, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.criteria);
        EXPECT_EQ(rs.findFirst(c.criteria, c.params), c.expected != nullptr);
        EXPECT_EQ(rs.text("Cognome"), c.expected ? c.expected : "");
    }
    EXPECT_THROW(rs.findFirst("Cognome = ?", {"a", "b"}), DatabaseError) << "more values than placeholders";
}

TEST_F(RecordSetTest, FindFirstSeesWhatIsStoredNowAndAHeldSetLandsOnlyOnItsRecords) {
    // Another connection (another program part) changes, adds and deletes records after binding. The
    // table finds by what is stored now; a SELECT finds by what is stored now too, among the records it
    // holds, and shows the found record as it is now. Records added meanwhile come with a refresh.
    addCards({"Rossi", "Bianchi", "Verdi"});
    RecordSet table(inst.db(), "Carte");
    RecordSet select(inst.db(), "SELECT Cognome, NumeroCarta FROM Carte");
    auto other = Database::open(inst.folder().database());
    other->execute("UPDATE Carte SET Cognome = 'Blu' WHERE Cognome = 'Bianchi'");
    other->execute("INSERT INTO Carte (Cognome, NumeroCarta) VALUES ('Gialli', '0009')");
    other->execute("DELETE FROM Carte WHERE Cognome = 'Verdi'");
    const struct {
        const char* cognome;
        const char* onTable;  // NumeroCarta found on the table, nullptr for no match
        const char* onSelect; // on the SELECT bound before the changes
    } cases[] = {
        {"Blu", "0002", "0002"},     {"Bianchi", nullptr, nullptr}, {"Verdi", nullptr, nullptr},
        {"Gialli", "0009", nullptr}, {"Rossi", "0001", "0001"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.cognome);
        EXPECT_EQ(table.findFirst("Cognome = ?", {c.cognome}), c.onTable != nullptr);
        EXPECT_EQ(table.text("NumeroCarta"), c.onTable ? c.onTable : "");
        EXPECT_EQ(select.findFirst("Cognome = ?", {c.cognome}), c.onSelect != nullptr);
        EXPECT_EQ(select.text("NumeroCarta"), c.onSelect ? c.onSelect : "");
        EXPECT_EQ(select.text("Cognome"), c.onSelect ? c.cognome : "");
    }
    select.refresh();
    EXPECT_TRUE(select.findFirst("Cognome = ?", {"Gialli"}));
    EXPECT_EQ(select.recordCount(), 3);
}

TEST_F(RecordSetTest, AViewIsReadAtTheFirstReadOfARecord) {
    // Binding "Storico" to append downloaded transits must not read the history; a SELECT reads its
    // rows when bound. Rows deleted in between show the difference.
    for (const char* badge : {"0042", "0043"}) {
        inst.db()->execute("INSERT INTO transiti (NumeroBadge, nota) VALUES (?, 'OffLine')", {badge});
    }
    RecordSet view(inst.db(), "Storico");
    RecordSet select(inst.db(), "SELECT * FROM Storico");
    EXPECT_TRUE(view.hasCurrent());
    inst.db()->execute("DELETE FROM transiti WHERE NumeroBadge = '0042'");
    EXPECT_EQ(view.text("NumeroCarta"), "0043");
    EXPECT_EQ(view.recordCount(), 1);
    EXPECT_EQ(select.text("NumeroCarta"), "0042");
    EXPECT_EQ(select.recordCount(), 2);

    RecordSet emptied(inst.db(), "Storico");
    inst.db()->execute("DELETE FROM transiti");
    EXPECT_TRUE(emptied.field("NumeroCarta").isNull());
    EXPECT_FALSE(emptied.hasCurrent());
    EXPECT_TRUE(emptied.eof());
    emptied.moveNext();
    EXPECT_TRUE(emptied.eof());
}

TEST_F(RecordSetTest, AFailedUpdateChangesNothingAndStaysPending) {
    // The engine refuses the record (NumeroCarta may not be Null): none of the fields set with it is
    // stored, the record shown keeps its values, and the change can still be cancelled.
    for (const char* source : {"Carte", "SELECT * FROM Carte WHERE Cognome <> ''"}) {
        for (const bool adding : {false, true}) {
            SCOPED_TRACE(std::string(source) + (adding ? " addNew" : " edit"));
            inst.db()->execute("DELETE FROM Carte");
            addCards({"Rossi", "Bianchi"});
            RecordSet rs(inst.db(), source);
            ASSERT_TRUE(rs.findFirst("Cognome = ?", {"Bianchi"}));
            adding ? rs.addNew() : rs.edit();
            rs.setField("Nome", "Luca");
            rs.setField("NumeroCarta", Value());
            EXPECT_THROW(rs.update(), DatabaseError);
            EXPECT_EQ(rs.text("Nome"), "Mario");
            EXPECT_EQ(rs.text("NumeroCarta"), "0002");
            EXPECT_EQ(
                inst.db()
                    ->query("SELECT count(*) FROM Carte WHERE Nome = 'Luca' OR NumeroCarta IS NULL")[0][0]
                    .toInt(),
                0);
            EXPECT_EQ(inst.db()->query("SELECT count(*) FROM Carte")[0][0].toInt(), 2);
            rs.setField("NumeroCarta", "0003"); // still pending: corrected, it goes through
            rs.update();
            EXPECT_EQ(inst.db()->query("SELECT count(*) FROM Carte WHERE Nome = 'Luca'")[0][0].toInt(), 1);
            EXPECT_EQ(inst.db()->query("SELECT count(*) FROM Carte")[0][0].toInt(), adding ? 3 : 2);
        }
    }
}

TEST_F(RecordSetTest, AddEditDeleteOnATable) {
    RecordSet rs(inst.db(), "Carte");
    rs.addNew();
    rs.setField("cognome", "Verdi");
    rs.setField("NUMEROCARTA", "0012");
    rs.setField("Imparziale", false);
    rs.update();
    EXPECT_GT(rs.lastAddedKey(), 0);
    EXPECT_TRUE(rs.eof()) << "after addNew the cursor stays where it was";
    rs.refresh();
    EXPECT_EQ(rs.text("Cognome"), "Verdi");
    EXPECT_EQ(rs.text("Lettore"), std::string(64, '0')) << "unwritten fields take their defaults";
    EXPECT_FALSE(rs.flag("Flag_fasce"));
    EXPECT_TRUE(rs.field("Stringa").isNull());

    rs.edit();
    rs.setField("Nome", "Luca");
    rs.setField("Lettore", std::string(64, '1'));
    rs.update();
    EXPECT_EQ(rs.text("Nome"), "Luca");
    EXPECT_THROW(rs.setField("NonEsiste", 1), DatabaseError);
    EXPECT_THROW(rs.update(), DatabaseError) << "update without addNew or edit";

    rs.addNew();
    rs.setField("Cognome", "Neri");
    rs.cancelUpdate();
    EXPECT_EQ(rs.recordCount(), 1);

    rs.addNew();
    rs.setField("Cognome", "Gialli");
    rs.update();
    rs.moveFirst();
    rs.deleteCurrent();
    EXPECT_FALSE(rs.hasCurrent());
    EXPECT_TRUE(rs.field("Cognome").isNull());
    rs.moveNext();
    EXPECT_EQ(rs.text("Cognome"), "Gialli");
    EXPECT_EQ(rs.recordCount(), 1);
}

TEST_F(RecordSetTest, ARecordDeletedMeanwhileCannotBeEditedOrDeletedSilently) {
    // Another record set (another form) deletes the record this one stands on: committing an edit or
    // deleting it again must fail, not report success and lose what was typed.
    for (const char* source : {"Carte", "SELECT * FROM Carte WHERE Cognome <> ''"}) {
        for (const bool editing : {true, false}) {
            inst.db()->execute("DELETE FROM Carte");
            addCards({"Rossi", "Bianchi", "Verdi"});
            RecordSet rs(inst.db(), source);
            ASSERT_TRUE(rs.findFirst("Cognome = ?", {"Bianchi"})) << source;
            inst.db()->execute("DELETE FROM Carte WHERE Cognome = 'Bianchi'");
            if (editing) {
                rs.edit();
                rs.setField("Nome", "Luca");
                EXPECT_THROW(rs.update(), DatabaseError) << source;
            } else {
                EXPECT_THROW(rs.deleteCurrent(), DatabaseError) << source;
            }
            EXPECT_FALSE(rs.hasCurrent()) << source;
            rs.moveNext();
            EXPECT_EQ(rs.text("Cognome"), "Verdi") << source << ": the walk goes on after the lost record";
            EXPECT_THROW(rs.update(), DatabaseError) << "no edit left pending";
        }
    }
}

TEST_F(RecordSetTest, MovingOffARecordDropsItsPendingChange) {
    // Fields set after edit belong to the record being edited: once the cursor moves they must not land
    // in the record it moved to, and a pending addNew is dropped as well.
    const std::function<void(RecordSet&)> moves[] = {
        [](RecordSet& rs) { rs.moveNext(); },
        [](RecordSet& rs) { rs.movePrevious(); },
        [](RecordSet& rs) { rs.moveFirst(); },
        [](RecordSet& rs) { rs.moveLast(); },
        [](RecordSet& rs) { rs.findFirst("Cognome = ?", {"Verdi"}); },
    };
    for (const char* source : {"Carte", "SELECT * FROM Carte WHERE Cognome <> ''"}) {
        for (std::size_t m = 0; m < std::size(moves); ++m) {
            for (const bool adding : {false, true}) {
                inst.db()->execute("DELETE FROM Carte");
                addCards({"Rossi", "Bianchi", "Verdi"});
                RecordSet rs(inst.db(), source);
                ASSERT_TRUE(rs.findFirst("Cognome = ?", {"Bianchi"}));
                adding ? rs.addNew() : rs.edit();
                rs.setField("Nome", "Luca");
                moves[m](rs);
                EXPECT_THROW(rs.update(), DatabaseError) << source << " move " << m;
                EXPECT_EQ(inst.db()->query("SELECT count(*) FROM Carte WHERE Nome = 'Luca'")[0][0].toInt(), 0)
                    << source << " move " << m << (adding ? " after addNew" : " after edit");
                EXPECT_EQ(inst.db()->query("SELECT count(*) FROM Carte")[0][0].toInt(), 3);
            }
        }
    }
}

TEST_F(RecordSetTest, SelectSourcesTakeBoundValues) {
    addCards({"D'Amico", "Rossi", "Conti"});
    RecordSet rs(inst.db(),
                 "SELECT * FROM Carte WHERE Cognome <> ? AND NumeroCarta >= ? ORDER BY Cognome DESC",
                 {"x' OR '1'='1", "0002"});
    EXPECT_EQ(walk(rs), (std::vector<std::string>{"Rossi", "Conti"}));
    inst.db()->execute("DELETE FROM Carte WHERE Cognome = 'Rossi'");
    rs.refresh(); // the values stay bound across refreshes
    EXPECT_EQ(walk(rs), (std::vector<std::string>{"Conti"}));
    rs.moveFirst();
    rs.edit();
    rs.setField("Nome", "Carla");
    rs.update();
    EXPECT_EQ(inst.db()->query("SELECT Nome FROM Carte WHERE Cognome = 'Conti'")[0][0].toString(), "Carla");
    EXPECT_THROW(RecordSet(inst.db(), "SELECT * FROM Carte WHERE Cognome = ?", {"a", "b"}), DatabaseError);
}

TEST_F(RecordSetTest, SingleTableSelectIsEditable) {
    addCards({"Bianchi", "Abate", "Conti"});
    RecordSet rs(inst.db(), "SELECT Cognome, Nome FROM Carte ORDER BY Cognome");
    ASSERT_EQ(rs.text("Cognome"), "Abate");
    rs.edit();
    rs.setField("Nome", "Aldo");
    rs.update();
    EXPECT_EQ(rs.text("Nome"), "Aldo");
    EXPECT_EQ(inst.db()->query("SELECT Nome FROM Carte WHERE Cognome = 'Abate'")[0][0].toString(), "Aldo");
    rs.moveNext();
    rs.deleteCurrent(); // Bianchi
    rs.moveNext();
    EXPECT_EQ(rs.text("Cognome"), "Conti");
    EXPECT_EQ(rs.recordCount(), 2);
    EXPECT_EQ(inst.db()->query("SELECT count(*) FROM Carte")[0][0].toInt(), 2);
}

TEST_F(RecordSetTest, ExecuteDeletesWithBoundValues) {
    addCards({"A", "B", "C"});
    RecordSet rs(inst.db(), "Carte");
    EXPECT_EQ(rs.execute("delete * FROM Carte WHERE NumeroCarta = ? OR Cognome = ?", {"0001", "C"}), 2);
    rs.refresh();
    EXPECT_EQ(rs.text("Cognome"), "B");
    RecordSet unbound;
    EXPECT_THROW(unbound.refresh(), DatabaseError);
    EXPECT_THROW(unbound.moveFirst(), DatabaseError);
}

TEST_F(RecordSetTest, ChangesByOthersShowAfterRefresh) {
    addCards({"A"});
    RecordSet a(inst.db(), "Carte");
    RecordSet b(Database::open(inst.folder().database()), "Carte");
    b.edit();
    b.setField("Cognome", "Z");
    b.update();
    EXPECT_EQ(a.text("Cognome"), "A") << "a record is read when the cursor reaches it";
    a.refresh();
    EXPECT_EQ(a.text("Cognome"), "Z");
}

TEST_F(RecordSetTest, LargeTableBindsAndFindsWithoutReadingItAll) {
    inst.populate(20000, 0);
    RecordSet rs(inst.db(), "Carte");
    EXPECT_EQ(rs.recordCount(), 20000);
    ASSERT_TRUE(rs.findFirst("NumeroCarta = ?", {"15000"}));
    EXPECT_EQ(rs.text("Cognome"), "Cognome15000");
    rs.moveNext();
    EXPECT_EQ(rs.text("NumeroCarta"), "15001");
    const auto plan = inst.db()->query("EXPLAIN QUERY PLAN SELECT rowid FROM Carte WHERE (NumeroCarta = ?) "
                                       "ORDER BY rowid LIMIT 1",
                                       {"1"});
    std::string detail;
    for (const auto& row : plan) {
        detail += row.back().toString() + "\n";
    }
    EXPECT_NE(detail.find("Carte_NumeroCarta"), std::string::npos) << detail;
}

} // namespace
} // namespace sentinex
