#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace sentinex {

/// The scrambled form of the operator password in "pswsentinex.txt": "°°°", then each password
/// character moved up by its position (1, 2, ...) in the Windows-1252 code page, then "§§§". The
/// texts here are UTF-8; the scrambling works on the Windows-1252 codes, so the file holds exactly the
/// bytes B0 B0 B0 ... A7 A7 A7.
class PasswordCodec {
public:
    /// Longest password; its stored form is 6 characters longer.
    static constexpr std::size_t MaxLength = 16;
    /// The stored value that means "no password is set".
    static const std::string& noPassword();

    /// Empty when `password` can be stored; otherwise the message that says why not (too long, or a
    /// character with no scrambled form in the code page: no Windows-1252 code, a control code, or a
    /// code that moved up by its position would pass 255).
    static std::string refusal(const std::string& password);
    /// The stored form of `password`; the empty password gives noPassword(). Call only when refusal()
    /// is empty: a refused character would not come back as typed.
    static std::string encode(const std::string& password);
    /// The password in clear, or nothing when `stored` is not a stored form: shorter than 6
    /// characters, without the markers at both ends, or with a character that moved down by its
    /// position falls below code 1.
    static std::optional<std::string> decode(const std::string& stored);
};

} // namespace sentinex
