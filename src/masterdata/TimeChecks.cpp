#include "TimeChecks.hpp"

#include "core/Operator.hpp"

namespace sentinex {

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

int twoDigits(const std::string& text, std::size_t at) {
    return (text[at] - '0') * 10 + (text[at + 1] - '0');
}

/// Minutes since midnight of a text that passed the time check.
int minutesOf(const std::string& text) {
    return twoDigits(text, 0) * 60 + twoDigits(text, 3);
}

} // namespace

const char* TimeChecks::timeProblem(const std::string& text) {
    if (text == UnsetTime) {
        return nullptr;
    }
    if (text.size() != 5 || text[2] != ':' || !isDigit(text[0]) || !isDigit(text[1]) || !isDigit(text[3]) ||
        !isDigit(text[4])) {
        return FormatText;
    }
    if (twoDigits(text, 0) > 23 || twoDigits(text, 3) > 59) {
        return TimeErrorText;
    }
    return nullptr;
}

const char* TimeChecks::intervalProblem(const std::string& from, const std::string& to) {
    const bool fromUnset = from == UnsetTime;
    const bool toUnset = to == UnsetTime;
    if (fromUnset && toUnset) {
        return nullptr;
    }
    if (fromUnset || toUnset) {
        return TimeErrorText;
    }
    return minutesOf(from) < minutesOf(to) ? nullptr : TimeErrorText;
}

bool TimeChecks::checkTime(const std::string& text, Operator& op) {
    if (const char* problem = timeProblem(text)) {
        op.message("Attenzione", problem, MsgIcon::Exclamation);
        return false;
    }
    return true;
}

bool TimeChecks::checkInterval(const std::string& from, const std::string& to, Operator& op) {
    if (const char* problem = intervalProblem(from, to)) {
        op.message("Attenzione", problem, MsgIcon::Exclamation);
        return false;
    }
    return true;
}

} // namespace sentinex
