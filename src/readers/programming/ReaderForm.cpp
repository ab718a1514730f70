#include "ReaderForm.hpp"

#include <string>

namespace sentinex {

ReaderForm ReaderForm::cleared(bool newReader, bool boardInUse) {
    ReaderForm f;
    static const char* const card[4] = {"0", "1", "2", "3"};
    static const char* const code[6] = {"4", "5", "6", "7", "8", "9"};
    for (int i = 0; i < 4; ++i) {
        f.cardPos[i] = card[i];
    }
    for (int i = 0; i < 6; ++i) {
        f.codePos[i] = code[i];
    }
    f.riscriviRam = newReader;
    if (!boardInUse) {
        f.loop = "1";
    }
    return f;
}

} // namespace sentinex
