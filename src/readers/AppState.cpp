#include "AppState.hpp"

#include <limits>

namespace sentinex {

int AppState::nextAnimationFrame() {
    animationFrame = animationFrame >= 12 || animationFrame < 0 ? 0 : animationFrame + 1;
    return animationFrame;
}

void AppState::advanceReader() {
    ++currentReader;
    if (currentReader > readers.count() || currentReader < 1) {
        currentReader = 1;
    }
}

int pollingInterval(std::int64_t pollingSetting, int readerCount) {
    if (readerCount <= 0) {
        return 1000;
    }
    if (pollingSetting <= 0) {
        return 0;
    }
    constexpr std::int64_t intMax = std::numeric_limits<int>::max();
    // Beyond this the quotient cannot fit an int; checking first keeps P x 10 inside 64 bits.
    if (pollingSetting > intMax * readerCount / 10 + 1) {
        return static_cast<int>(intMax);
    }
    const std::int64_t total = pollingSetting * 10;
    std::int64_t q = total / readerCount;
    const std::int64_t r2 = (total % readerCount) * 2;
    if (r2 > readerCount || (r2 == readerCount && q % 2 != 0)) {
        ++q;
    }
    if (q < 1) {
        q = 1;
    }
    return static_cast<int>(q > intMax ? intMax : q);
}

} // namespace sentinex
