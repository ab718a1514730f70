#pragma once

#include "core/Settings.hpp"
#include "readers/AppState.hpp"
#include "store/Database.hpp"
#include "store/Value.hpp"
#include "support/OnlineFakeBus.hpp"
#include "support/ScriptedOperator.hpp"
#include "support/TestInstall.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace sentinex::testing {

/// What the users form stands on in a test: an installation, three readers "LETT1".."LETT3" at
/// addresses 1-3, four-digit cards, a bus that answers, an operator that records, and helpers to put
/// users and bands in the file and read a user's stored field.
class UserFormFixture : public ::testing::Test {
protected:
    void SetUp() override {
        std::vector<ReaderEntry> entries(3);
        for (int k = 0; k < 3; ++k) {
            entries[static_cast<std::size_t>(k)].address = static_cast<std::int16_t>(k + 1);
            entries[static_cast<std::size_t>(k)].location = "LETT" + std::to_string(k + 1);
        }
        state.readers.setEntries(entries);
        settings.QuattroCifre = true;
    }
    std::int64_t addUser(const std::string& surname, const std::string& card,
                         std::map<std::string, Value> extra = {}) {
        TestInstall::User u;
        u.Cognome = surname;
        u.NumeroCarta = card;
        // Fields the installation's helper names itself are taken out of the extra ones.
        if (auto online = extra.extract("Flag_online")) {
            u.Flag_online = online.mapped().toBool();
        }
        if (auto readers = extra.extract("Lettore")) {
            u.Lettore = readers.mapped().toString();
        }
        u.extra = std::move(extra);
        return install.addUser(u);
    }
    void addBand(const std::string& name) {
        install.db()->execute(
            "INSERT INTO Fasce (Nome, Lun_1_da, Lun_1_a, Lunedi) VALUES (?, '08:00', '12:00', 1)", {name});
    }
    /// `field` (a fixed column name) of the user stored under `key`.
    Value stored(std::int64_t key, const std::string& field) {
        return install.db()->query("SELECT " + field + " FROM Carte WHERE rowid = ?", {key}).at(0).at(0);
    }

    TestInstall install;
    Settings settings;
    AppState state;
    OnlineFakeBus bus;
    ScriptedOperator op;
};

} // namespace sentinex::testing
