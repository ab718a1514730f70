#include "BackupRun.hpp"

#include "BackupFolder.hpp"

#include "store/Database.hpp"
#include "store/OnlineBackup.hpp"

#include <chrono>
#include <filesystem>
#include <functional>

namespace fs = std::filesystem;

namespace sentinex {

BackupRun::BackupRun(Database& db, std::string programDir, std::string root, const DateTime& when,
                     int pagesPerSlice, Check check)
    : m_db(db), m_programDir(std::move(programDir)), m_name(BackupFolder::name(when)),
      m_folder((fs::path(root) / m_name).string()), m_pagesPerSlice(pagesPerSlice),
      m_checkCopy(check ? std::move(check) : Check(&OnlineBackup::integrityProblem)) {}

BackupRun::~BackupRun() {
    // A check still running reads only the copy; wait for it before the folder may go.
    if (m_check.valid()) {
        m_check.wait();
    }
    if (!finished()) {
        m_copy.reset();
        std::error_code ec;
        fs::remove_all(m_folder, ec);
    }
}

int BackupRun::percent() const {
    if (m_state != State::Copying) {
        return 100;
    }
    if (!m_copy || m_copy->totalPages() == 0) {
        return 0;
    }
    return static_cast<int>(100LL * m_copy->copiedPages() / m_copy->totalPages());
}

void BackupRun::fail(const std::string& text) {
    m_copy.reset();
    m_failure = text;
    m_state = State::Failed;
    std::error_code ec;
    fs::remove_all(m_folder, ec);
}

void BackupRun::start() {
    m_started = true;
    std::error_code ec;
    if (fs::exists(m_folder, ec)) {
        fail("Backup non eseguito: la cartella " + m_folder + " esiste già.");
        return;
    }
    fs::create_directories(m_folder, ec);
    if (ec) {
        // Nothing of ours is in it: leave a folder that was there before alone.
        m_state = State::Failed;
        m_failure =
            "Backup non eseguito: impossibile creare la cartella " + m_folder + " (" + ec.message() + ").";
        return;
    }
    for (const char* file : SideFiles) {
        const fs::path from = fs::path(m_programDir) / file;
        if (!fs::exists(from, ec)) {
            continue;
        }
        fs::copy_file(from, fs::path(m_folder) / file, ec);
        if (ec) {
            fail(std::string("Backup non eseguito: impossibile copiare ") + file + " (" + ec.message() +
                 ").");
            return;
        }
    }
    try {
        m_copy = std::make_unique<OnlineBackup>(m_db, (fs::path(m_folder) / DatabaseFile).string());
    } catch (const DatabaseError& e) {
        fail(std::string("Backup non eseguito: impossibile creare la copia dell'archivio (") + e.what() +
             ").");
    }
}

bool BackupRun::advance() {
    if (finished()) {
        return true;
    }
    if (!m_started) {
        start();
        return finished();
    }
    if (m_state == State::Copying) {
        try {
            if (m_copy->step(m_pagesPerSlice)) {
                m_copy.reset();
                m_state = State::Checking;
                m_check =
                    std::async(std::launch::async, m_checkCopy, (fs::path(m_folder) / DatabaseFile).string());
            }
        } catch (const DatabaseError& e) {
            fail(std::string("Backup non eseguito: errore nella copia dell'archivio (") + e.what() + ").");
        }
        return finished();
    }
    if (m_check.wait_for(std::chrono::seconds(0)) != std::future_status::ready) {
        return false;
    }
    const std::string problem = m_check.get();
    if (problem.empty()) {
        m_state = State::Done;
    } else {
        fail("Backup non valido: la copia non supera il controllo di integrità (" + problem +
             "); copia eliminata.");
    }
    return true;
}

void BackupRun::runToEnd(const std::function<void()>& between) {
    while (!advance()) {
        if (between) {
            between();
        }
    }
}

} // namespace sentinex
