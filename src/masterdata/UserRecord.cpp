#include "UserRecord.hpp"

namespace sentinex {

UserRecord UserRecord::newUser() {
    UserRecord user;
    user.cardEnabled = true;
    user.online = true;
    user.output1 = true;
    user.output2 = true;
    user.checkInputs = false;
    user.inputsAnd = false;
    user.input1On = true;
    user.input2On = true;
    user.standAloneBand = 0;
    return user;
}

std::string UserRecord::readerText() const {
    std::string text;
    text.reserve(ReaderPositions);
    for (int flag : readerFlags) {
        text.push_back(static_cast<char>('0' + (flag >= 0 && flag <= 9 ? flag : 0)));
    }
    return text;
}

std::array<int, UserRecord::ReaderPositions> UserRecord::readerFlagsOf(const std::string& lettore) {
    std::array<int, ReaderPositions> flags{};
    for (std::size_t k = 0; k < flags.size() && k < lettore.size(); ++k) {
        const char c = lettore[k];
        flags[k] = c >= '0' && c <= '9' ? c - '0' : 0;
    }
    return flags;
}

} // namespace sentinex
