#include "PasswordPrompt.hpp"

#include "core/Operator.hpp"

namespace sentinex {

PasswordPrompt::Opening PasswordPrompt::open() {
    const PasswordFile::Content content = m_file.read();
    m_password.clear();
    m_failedTries = 0;
    m_granted = false;
    switch (content.state) {
    case PasswordFile::State::NoPassword:
        m_granted = true;
        return Opening::Granted;
    case PasswordFile::State::Set:
        m_password = content.password;
        return Opening::Ask;
    case PasswordFile::State::Malformed:
        break;
    }
    PasswordFile::reportMalformed(m_op);
    return Opening::Refused;
}

bool PasswordPrompt::check(const std::string& typed) {
    m_granted = typed == m_password;
    if (!m_granted) {
        ++m_failedTries;
        m_op.message("Attenzione", "Password sbagliata.", MsgIcon::Critical);
    }
    return m_granted;
}

} // namespace sentinex
