#pragma once

#include "core/ProfileFile.hpp"

#include <string>

namespace sentinex {

class Operator;
class ProgramFolder;

/// The password file "pswsentinex.txt": section "Sentinex", key "File", the password in its scrambled
/// form (PasswordCodec). It is read whole each time it is asked for and rewritten atomically, so a
/// crash never leaves an installation that refuses to start.
class PasswordFile {
public:
    /// What the file holds.
    enum class State {
        NoPassword, // "°°°§§§": the guarded forms open without asking
        Set,        // a password is in force
        Malformed,  // missing file or key, or a value that is not a stored form: the guarded form is refused
    };
    struct Content {
        State state = State::Malformed;
        std::string password; // in clear; empty unless state is Set
    };

    /// The message shown when a guarded form is refused for a malformed file. The program goes on: it
    /// runs the doors, and a damaged password file must not stop them.
    static constexpr const char* MalformedTitle = "Errore";
    static constexpr const char* MalformedText =
        "Errore nel controllo password: il file pswsentinex.txt manca o non è valido. La funzione richiesta "
        "non è disponibile; il programma continua.";

    explicit PasswordFile(std::string path) : m_file(std::move(path)) {}
    /// The file of the installation in `folder`.
    explicit PasswordFile(const ProgramFolder& folder);

    /// Reads the key as the system does (a 30-character buffer, at most 22 characters kept) and
    /// decodes it. Never throws.
    Content read() const;
    /// Stores `password` (refused passwords must have been turned away before: PasswordCodec::refusal).
    /// Returns false, leaving the old file untouched, when the file cannot be written.
    bool store(const std::string& password) const;
    /// Stores "°°°§§§" (no password). Returns false, leaving the old file untouched, on failure.
    bool clear() const;

    /// Shows that the file is malformed and the guarded form is not available ("Errore", critical icon).
    static void reportMalformed(Operator& op);

    const std::string& path() const { return m_file.path(); }

private:
    ProfileFile m_file;
};

} // namespace sentinex
