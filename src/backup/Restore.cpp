#include "Restore.hpp"

#include "BackupFolder.hpp"
#include "BackupRun.hpp"

#include "store/Database.hpp"
#include "store/OnlineBackup.hpp"
#include "store/Schema.hpp"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

namespace fs = std::filesystem;

namespace sentinex {

namespace {

constexpr const char* TempSuffix = ".ripristino.tmp";

/// The files a backup may hold, the database first.
std::vector<std::string> installationFiles() {
    std::vector<std::string> files{BackupRun::DatabaseFile};
    for (const char* side : BackupRun::SideFiles) {
        files.emplace_back(side);
    }
    return files;
}

/// Moves `from` over `to` (an older `to` goes first); nothing when `from` is missing.
void moveAside(const fs::path& from, const fs::path& to, std::error_code& ec) {
    if (!fs::exists(from, ec)) {
        ec.clear();
        return;
    }
    fs::remove(to, ec);
    fs::rename(from, to, ec);
}

} // namespace

std::string Restore::check(const std::string& folder) {
    const std::string db = (fs::path(folder) / BackupRun::DatabaseFile).string();
    std::error_code ec;
    if (!fs::is_regular_file(db, ec)) {
        return "Il backup scelto non contiene l'archivio Sentinex.mdb.";
    }
    if (const std::string problem = OnlineBackup::integrityProblem(db); !problem.empty()) {
        return "Il backup scelto è danneggiato e non può essere ripristinato (" + problem + ").";
    }
    try {
        const auto copy = Database::open(db, false);
        Schema::requireKnownVersion(*copy, db);
        try {
            Schema::requireMain(*copy);
        } catch (const DatabaseError& e) {
            return std::string("Il backup scelto non è un archivio di Sentinex (") + e.what() + ").";
        }
    } catch (const DatabaseError& e) {
        // The version check's text is complete; an engine error names the file itself.
        return e.what();
    }
    return {};
}

bool Restore::request(const std::string& programDir, const std::string& folder) {
    const fs::path path = fs::path(programDir) / PendingFile;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << folder;
    out.close();
    return static_cast<bool>(out);
}

std::string Restore::apply(const std::string& programDir, const std::string& folder) {
    if (std::string refused = check(folder); !refused.empty()) {
        return refused;
    }
    const fs::path dir(programDir);
    std::vector<std::string> held;
    std::error_code ec;
    // Every copy is made first, beside its place: a copy that fails leaves the installation untouched.
    for (const std::string& file : installationFiles()) {
        const fs::path from = fs::path(folder) / file;
        if (!fs::exists(from, ec)) {
            continue;
        }
        fs::copy_file(from, dir / (file + TempSuffix), fs::copy_options::overwrite_existing, ec);
        if (ec) {
            for (const std::string& done : held) {
                std::error_code ignored;
                fs::remove(dir / (done + TempSuffix), ignored);
            }
            std::error_code ignored;
            fs::remove(dir / (file + TempSuffix), ignored);
            return "Ripristino non eseguito: impossibile copiare " + file + " (" + ec.message() + ").";
        }
        held.push_back(file);
    }
    for (const std::string& file : installationFiles()) {
        const fs::path aside = dir / (file + SetAsideSuffix);
        moveAside(dir / file, aside, ec);
        if (!ec && file == BackupRun::DatabaseFile) {
            // The set-aside database keeps its journal under its new name; none is left to be replayed
            // onto the restored file.
            for (const char* journal : {"-wal", "-shm", "-journal"}) {
                moveAside(dir / (file + journal), fs::path(aside.string() + journal), ec);
            }
        }
        if (ec) {
            return "Ripristino non completato: impossibile mettere da parte " + file + " (" + ec.message() +
                   ").";
        }
    }
    for (const std::string& file : held) {
        fs::rename(dir / (file + TempSuffix), dir / file, ec);
        if (ec) {
            return "Ripristino non completato: impossibile sostituire " + file + " (" + ec.message() + ").";
        }
    }
    return {};
}

Restore::Outcome Restore::completePending(const std::string& programDir) {
    Outcome outcome;
    const fs::path pending = fs::path(programDir) / PendingFile;
    std::ifstream in(pending, std::ios::binary);
    if (!in) {
        return outcome;
    }
    outcome.requested = true;
    const std::string folder((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    in.close();
    std::error_code ec;
    fs::remove(pending, ec);
    const std::string refused = apply(programDir, folder);
    outcome.done = refused.empty();
    outcome.message = outcome.done ? "Ripristino completato dal backup del " +
                                         BackupFolder::label(fs::path(folder).filename().string()) +
                                         ". I file sostituiti sono stati conservati con il suffisso " +
                                         SetAsideSuffix + "."
                                   : refused;
    return outcome;
}

} // namespace sentinex
