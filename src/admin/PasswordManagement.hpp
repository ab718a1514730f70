#pragma once

#include "PasswordFile.hpp"

#include <memory>
#include <string>

namespace sentinex {

class Database;
class Operator;

/// The rules of the password management form: set a password when none is set, change or remove it
/// when one is. Every outcome is told to the operator with the system's texts; a password that cannot
/// be stored, or a file that cannot be written, is told too and changes nothing.
class PasswordManagement {
public:
    /// The form's two layouts, chosen by what the file holds when the form opens.
    enum class Layout {
        SetNew,         // no password: `text1`, "Inserisci password", "Ok"
        ChangeOrRemove, // a password: old and new password, "Cambia password", "Elimina password", "Ok"
    };
    /// What "Ok" does, chosen by the button pressed before it.
    enum class Mode { None, Change, Remove };
    /// After "Ok": close the form (and show the additional functions form) or stay on it.
    enum class After { Close, Stay };

    static constexpr const char* RecordFailedText =
        "La password è stata salvata, ma il registro operazioni non è stato aggiornato.\n";

    /// `record`, when given, is the database whose operators' record gets a row for every password set,
    /// changed or removed, right after the file holds it (the password itself is never written there).
    PasswordManagement(PasswordFile file, Operator& op, std::shared_ptr<Database> record = nullptr)
        : m_file(std::move(file)), m_op(op), m_record(std::move(record)) {}

    /// Reads the file and answers the layout. A malformed file shows its message and opens on SetNew,
    /// so that a new password repairs it.
    Layout open();

    /// "Inserisci password": tells the operator to type the password now.
    void announceSet();
    /// "Cambia password": tells the operator to type the old password, then the new one.
    void announceChange();
    /// "Elimina password": tells the operator to type the old password.
    void announceRemove();

    /// "Ok" of the SetNew layout with what `text1` holds.
    After set(const std::string& typed);
    /// "Ok" of the ChangeOrRemove layout with what `Text2` (old) and `Text3` (new) hold.
    After confirm(Mode mode, const std::string& oldPassword, const std::string& newPassword);

    /// Whether a password is in force after the last step.
    bool passwordSet() const { return m_set; }

private:
    /// Shows why `password` cannot be stored; true when it can.
    bool storable(const std::string& password);
    void tellWriteFailed();
    /// Writes the row of a change the file already holds; a row the database refuses is told.
    void recordChange(const std::string& action, bool wasSet);

    PasswordFile m_file;
    Operator& m_op;
    std::shared_ptr<Database> m_record;
    std::string m_password;
    bool m_set = false;
};

} // namespace sentinex
