#include "ReaderEntry.hpp"

namespace sentinex {

std::int16_t ReaderEntry::directionOf(const std::string& stato) {
    if (stato == "Out") {
        return 0;
    }
    if (stato == "In") {
        return 1;
    }
    return 2;
}

} // namespace sentinex
