#include "Upgrade.hpp"

#include "core/ProgramFolder.hpp"
#include "store/Database.hpp"
#include "store/Schema.hpp"

#include <filesystem>

namespace fs = std::filesystem;

namespace sentinex {

Upgrade::Upgrade(std::string dir, std::string toolDir)
    : m_dir(std::move(dir)), m_toolDir(std::move(toolDir)) {}

bool Upgrade::run(std::vector<std::string>& replaced, std::string& error) const {
    const ProgramFolder folder(m_dir);
    if (!fs::exists(folder.database())) {
        error = "Nessuna installazione di Sentinex in " + m_dir + ": manca " + folder.database() + ".";
        return false;
    }
    try {
        auto db = Database::open(folder.database(), false);
        Schema::requireMain(*db);
        // A newer database stays with the newer program: older executables would misread it.
        Schema::requireKnownVersion(*db, folder.database());
    } catch (const DatabaseError& e) {
        error = e.what();
        return false;
    }
    std::error_code ec;
    for (const char* exe : {"sentinex", "sentinex-readersim", "sentinex-bus", "sentinex-setup"}) {
        const fs::path from = fs::path(m_toolDir) / exe;
        const fs::path to = fs::path(m_dir) / exe;
        if (!fs::exists(from) || (fs::exists(to) && fs::equivalent(from, to, ec))) {
            continue;
        }
        // Copied beside, then renamed over the old one: a running program keeps its own file, and an
        // interrupted copy never leaves a half executable under the real name.
        const fs::path part = fs::path(m_dir) / (std::string(".") + exe + ".nuovo");
        fs::copy_file(from, part, fs::copy_options::overwrite_existing, ec);
        if (!ec) {
            fs::rename(part, to, ec);
        }
        if (ec) {
            fs::remove(part);
            error = "Impossibile aggiornare " + to.string() + ": " + ec.message();
            return false;
        }
        replaced.emplace_back(exe);
    }
    if (replaced.empty()) {
        error = "Nessun eseguibile da copiare in " + m_toolDir + ".";
        return false;
    }
    return true;
}

} // namespace sentinex
