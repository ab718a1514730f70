#pragma once

#include <cstddef>
#include <string>

namespace sentinex {

struct Settings;

/// One key of section "Impostazioni": how its value is read into `Settings`, how `Settings` writes it
/// back, and which of the file's readers and writers touch it. `SettingsFile::keys()` lists every key,
/// in the order of a full load.
struct SettingsKey {
    /// How the read text becomes the field.
    enum class Conversion {
        SiFlag,     // true exactly when the text starts with "Si"
        NoFlag,     // false exactly when the text starts with "No" or "NO"
        Number,     // leading decimal number, halves to even, clamped to the field's width
        HexAddress, // first three characters in hexadecimal (0-9, A-F), stopping at any other character
        FirstDigit, // the first character when it is a digit, else 0
        Time,       // the first five characters
        Text,       // the whole text up to its first NUL
        YesFlag,    // true exactly when the text starts with "Si" or "SI" (keys that are off unless set)
        Count,      // a number of at least 1; a text without one gives the key's default
    };

    /// Place in the dialog's save order of a key the dialog never writes.
    static constexpr int NotSaved = -1;

    const char* name;
    Conversion conversion;
    /// The value a missing key yields, in its stored form ("Si", "No", "0", "000H", "").
    const char* absent;
    /// Sets the key's field from the read text (at most `width` - 1 characters, as the file gives it).
    void (*read)(Settings& s, const std::string& raw);
    /// The stored form of the key's field: "Si"/"No" for flags, decimal numbers, three hexadecimal
    /// digits and "H" for the address, texts as they are.
    std::string (*write)(const Settings& s);
    /// 0-based place in the dialog's save, or NotSaved ("Seriale" is set by hand, "Utenti" is written by
    /// the presence counter on its own).
    int savePlace;
    /// Read again when the settings dialog opens; the presence counter "Utenti" is not, so an open dialog
    /// never rewinds a count that changed since start-up.
    bool reloadedByDialog;
    /// The receive buffer's size: 10 (nine characters seen) for the system's keys; a folder needs more.
    std::size_t width = 10;

    bool savedByDialog() const { return savePlace != NotSaved; }
};

} // namespace sentinex
