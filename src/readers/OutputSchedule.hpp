#pragma once

#include "core/Clock.hpp"

#include <optional>
#include <string>

namespace sentinex {

/// The automatic output schedule "Date.txt": items end at a line end or a comma, leading blanks of an
/// item are skipped; the first item that applies today and carries the active mark "X" decides.
class OutputSchedule {
public:
    /// Decision for the given file content (UTF-8 or Windows-1252) at `now`: 1 (switch on),
    /// 0 (switch off), or nothing when no item decides.
    static std::optional<int> decide(const std::string& content, const DateTime& now);
    /// Reads the file and decides; a missing or unreadable file decides nothing.
    static std::optional<int> decideFile(const std::string& path, const DateTime& now);
};

} // namespace sentinex
