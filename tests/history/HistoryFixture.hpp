#pragma once

#include "support/TestInstall.hpp"

#include "store/Database.hpp"
#include "store/Value.hpp"

#include <gtest/gtest.h>

#include <memory>
#include <regex>
#include <string>
#include <vector>

namespace sentinex::testing {

/// One `transiti` record as the tests write it; Null where a field is given as Null.
struct TransitRow {
    Value NumeroBadge = "0012";
    Value Cognome = "Rossi";
    Value Nome = "Mario";
    Value PosizioneLettore = "Ingresso";
    Value Data = "05/01/2026";
    Value Ora = "08:00";
    Value Passaggio = 1;
    Value verso = "In";
    Value nota = "Passaggio";
};

/// Writes transits in the order given (so indice follows it) and returns their indice values.
inline std::vector<std::int64_t> addTransits(Database& db, const std::vector<TransitRow>& rows) {
    std::vector<std::int64_t> keys;
    for (const auto& r : rows) {
        db.execute(
            "INSERT INTO transiti (NumeroBadge, Cognome, Nome, PosizioneLettore, Data, Ora, Passaggio, "
            "verso, nota) VALUES (?,?,?,?,?,?,?,?,?)",
            {r.NumeroBadge, r.Cognome, r.Nome, r.PosizioneLettore, r.Data, r.Ora, r.Passaggio, r.verso,
             r.nota});
        keys.push_back(db.lastInsertRowid());
    }
    return keys;
}

/// The kit's main database as an older installation holds it: fields that accept Null and none of
/// the history indexes.
inline std::string legacyMainSchema() {
    std::string sql = TestInstall::kitFile("Sentinex.sql");
    sql = std::regex_replace(sql, std::regex(" NOT NULL"), "");
    sql = std::regex_replace(sql, std::regex("CREATE INDEX IF NOT EXISTS transiti_[A-Za-z]+ ON[^;]*;"), "");
    return sql;
}

/// Column values of every row of a query, as texts (Null as "<null>"), joined with "|".
inline std::vector<std::string> rowsOf(Database& db, const std::string& sql,
                                       const std::vector<Value>& params = {}) {
    std::vector<std::string> out;
    for (const auto& row : db.query(sql, params)) {
        std::string line;
        for (std::size_t i = 0; i < row.size(); ++i) {
            line += (i ? "|" : "") + (row[i].isNull() ? std::string("<null>") : row[i].toString());
        }
        out.push_back(line);
    }
    return out;
}

} // namespace sentinex::testing
