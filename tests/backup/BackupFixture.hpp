#pragma once

#include "store/Database.hpp"

#include <string>
#include <vector>

namespace sentinex::testing {

/// Every row of every table of the database at `path`, as text, table by table in name order and in
/// rowid order within each: what a restore must give back.
inline std::vector<std::string> contents(const std::string& path) {
    const auto db = Database::open(path, false);
    std::vector<std::string> out;
    for (const auto& table : db->query("SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY name")) {
        const std::string name = table.at(0).toString();
        out.push_back("[" + name + "]");
        for (const auto& row : db->query("SELECT * FROM \"" + name + "\" ORDER BY rowid")) {
            std::string line;
            for (const auto& v : row) {
                line += (v.isNull() ? std::string("<null>") : v.toString()) + "|";
            }
            out.push_back(line);
        }
    }
    return out;
}

} // namespace sentinex::testing
