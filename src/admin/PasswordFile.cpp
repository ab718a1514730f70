#include "PasswordFile.hpp"

#include "PasswordCodec.hpp"

#include "core/Operator.hpp"
#include "core/ProgramFolder.hpp"

namespace sentinex {

namespace {

constexpr const char* kSection = "Sentinex";
constexpr const char* kKey = "File";
// The system reads the key into a 30-character buffer and keeps at most the longest stored form.
constexpr std::size_t kReadBuffer = 30;
constexpr std::size_t kLongestStored = PasswordCodec::MaxLength + 6;

} // namespace

PasswordFile::PasswordFile(const ProgramFolder& folder) : m_file(folder.passwordFile()) {}

PasswordFile::Content PasswordFile::read() const {
    const std::string value =
        ProfileFile::cut(m_file.read(kSection, kKey, "", kReadBuffer), kLongestStored + 1);
    Content content;
    if (value == PasswordCodec::noPassword()) {
        content.state = State::NoPassword;
        return content;
    }
    const std::optional<std::string> clear = PasswordCodec::decode(value);
    if (!clear) {
        content.state = State::Malformed;
        return content;
    }
    content.state = State::Set;
    content.password = *clear;
    return content;
}

bool PasswordFile::store(const std::string& password) const {
    return m_file.write(kSection, kKey, PasswordCodec::encode(password));
}

bool PasswordFile::clear() const {
    return m_file.write(kSection, kKey, PasswordCodec::noPassword());
}

void PasswordFile::reportMalformed(Operator& op) {
    op.message(MalformedTitle, MalformedText, MsgIcon::Critical);
}

} // namespace sentinex
