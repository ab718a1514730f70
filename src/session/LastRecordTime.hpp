#pragma once

#include <optional>
#include <string>

namespace sentinex {

class Database;

/// The date and time of the newest record of the online history, "dd/mm/yyyy HH:MM": the last row
/// stored in `transiti` and, while the text history is in use, the last line of "Storico.txt"
/// (granted passages go there, refusals still to the table), whichever is later.
class LastRecordTime {
public:
    /// Nothing when neither holds a record. A table that cannot be read counts as empty (only a note
    /// depends on it). `textHistoryPath` is read only when `textHistory` is true.
    static std::optional<std::string> find(Database& db, bool textHistory,
                                           const std::string& textHistoryPath);
    /// Date and time of the last record line of the text history at `path`; nothing when the file is
    /// missing or holds no whole record line.
    static std::optional<std::string> lastTextRecord(const std::string& path);
    /// The later of two "dd/mm/yyyy HH:MM" texts; a text that is not a date and time loses.
    static std::optional<std::string> later(const std::optional<std::string>& a,
                                            const std::optional<std::string>& b);
};

} // namespace sentinex
