#include "PasswordCodec.hpp"

#include "core/TextCodec.hpp"

#include <vector>

namespace sentinex {

namespace {

constexpr unsigned char kStartMark = 0xB0; // "°"
constexpr unsigned char kEndMark = 0xA7;   // "§"
constexpr std::size_t kMarkLength = 3;

/// The UTF-8 characters of `text`, one string each (invalid bytes stand alone).
std::vector<std::string> characters(const std::string& text) {
    std::vector<std::string> out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto b = static_cast<unsigned char>(text[i]);
        if ((b & 0xC0) == 0x80 && !out.empty() && !out.back().empty() &&
            (static_cast<unsigned char>(out.back()[0]) & 0xC0) == 0xC0) {
            out.back() += text[i];
        } else {
            out.emplace_back(1, text[i]);
        }
    }
    return out;
}

} // namespace

const std::string& PasswordCodec::noPassword() {
    static const std::string value = cp1252ToUtf8("\xB0\xB0\xB0\xA7\xA7\xA7");
    return value;
}

std::string PasswordCodec::refusal(const std::string& password) {
    const std::vector<std::string> chars = characters(password);
    if (chars.size() > MaxLength) {
        return "La password può avere al massimo 16 caratteri.";
    }
    for (std::size_t i = 0; i < chars.size(); ++i) {
        const std::string& c = chars[i];
        const std::string byte = utf8ToCp1252(c);
        // A character outside the code page comes back as "?": it would be stored as something else.
        const bool inCodePage = byte.size() == 1 && cp1252ToUtf8(byte) == c;
        const unsigned code = inCodePage ? static_cast<unsigned char>(byte[0]) : 0;
        if (!inCodePage || code < 0x20 || code + i + 1 > 0xFF) {
            const std::string shown = inCodePage && code < 0x20 ? std::string() : " \"" + c + "\"";
            return "Il carattere" + shown + " in posizione " + std::to_string(i + 1) +
                   " non può essere memorizzato nella password. Scegliere un'altra password.";
        }
    }
    return {};
}

std::string PasswordCodec::encode(const std::string& password) {
    std::string bytes(kMarkLength, static_cast<char>(kStartMark));
    const std::string clear = utf8ToCp1252(password);
    for (std::size_t i = 0; i < clear.size(); ++i) {
        bytes += static_cast<char>(static_cast<unsigned char>(clear[i]) + i + 1);
    }
    bytes.append(kMarkLength, static_cast<char>(kEndMark));
    return cp1252ToUtf8(bytes);
}

std::optional<std::string> PasswordCodec::decode(const std::string& stored) {
    const std::string bytes = utf8ToCp1252(stored);
    if (bytes.size() < 2 * kMarkLength) {
        return std::nullopt;
    }
    for (std::size_t k = 0; k < kMarkLength; ++k) {
        if (static_cast<unsigned char>(bytes[k]) != kStartMark ||
            static_cast<unsigned char>(bytes[bytes.size() - 1 - k]) != kEndMark) {
            return std::nullopt;
        }
    }
    std::string clear;
    const std::size_t length = bytes.size() - 2 * kMarkLength;
    for (std::size_t i = 0; i < length; ++i) {
        const int code = static_cast<unsigned char>(bytes[kMarkLength + i]) - static_cast<int>(i + 1);
        if (code < 1) {
            return std::nullopt;
        }
        clear += static_cast<char>(code);
    }
    return cp1252ToUtf8(clear);
}

} // namespace sentinex
