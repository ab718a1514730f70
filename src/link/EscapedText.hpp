#pragma once

#include <optional>
#include <string>

namespace sentinex {

/// Reader bytes as one printable word: printable ASCII stays; blanks, ",", "=", "\" and every other
/// byte become \xHH (uppercase). Used wherever raw frames are written as text (simulator protocol,
/// diagnostics).
std::string escapeBytes(const std::string& bytes);

/// C-style escapes back to bytes: \xH or \xHH for any byte, \\, \n, \r, \t; other characters stay.
/// Nothing for a bad escape (a lone backslash, \x without a digit, an unknown letter).
std::optional<std::string> unescapeBytes(const std::string& text);

} // namespace sentinex
