#pragma once

#include <cstddef>
#include <string>

namespace sentinex {

/// Windows-1252 bytes to UTF-8.
std::string cp1252ToUtf8(const std::string& bytes);
/// UTF-8 to Windows-1252 bytes; characters without a Windows-1252 code become "?".
std::string utf8ToCp1252(const std::string& text);
/// True when the bytes are valid UTF-8 and contain at least one multi-byte sequence.
bool looksLikeUtf8(const std::string& bytes);
/// Text read from a file of an installation: UTF-8 kept as is, anything else taken as Windows-1252.
std::string fileTextToUtf8(const std::string& bytes);
/// The first `count` characters of a UTF-8 text (the whole text when it has no more). Lengths the
/// program's fields and files state in characters are counted here, never in bytes, so a cut never
/// splits a letter such as "À".
std::string firstCharacters(const std::string& utf8, std::size_t count);
/// The last `count` characters of a UTF-8 text (the whole text when it has no more).
std::string lastCharacters(const std::string& utf8, std::size_t count);
/// The number of characters of a UTF-8 text (a byte that continues a sequence is not one).
std::size_t characterCount(const std::string& utf8);
/// Raw reader bytes (one byte a character) shown as text: each byte as its Windows-1252 character.
inline std::string readerBytesToUtf8(const std::string& bytes) {
    return cp1252ToUtf8(bytes);
}

} // namespace sentinex
