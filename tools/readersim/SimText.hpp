#pragma once

#include <string>
#include <vector>

namespace sentinex::sim {

/// Bytes as one word of the control protocol: printable ASCII stays, blanks, commas, "=", "\" and
/// every other byte become \xHH.
std::string escape(const std::string& bytes);
/// The reverse: \xHH gives byte HH, "\\" a backslash; other characters stay.
std::string unescape(const std::string& text);
/// Words of a line, split at blanks.
std::vector<std::string> words(const std::string& line);
/// Bytes as uppercase hex pairs without separators ("8081").
std::string hex(const std::string& bytes);

} // namespace sentinex::sim
