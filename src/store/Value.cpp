#include "Value.hpp"

#include "core/Numbers.hpp"

#include <cmath>
#include <cstdio>

namespace sentinex {

namespace {

std::string lowerAscii(std::string s) {
    for (char& c : s) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return s;
}

} // namespace

std::string Value::toString() const {
    if (isNull()) {
        return {};
    }
    if (isInteger()) {
        return std::to_string(std::get<std::int64_t>(m_v));
    }
    if (isReal()) {
        const double d = std::get<double>(m_v);
        if (std::isfinite(d) && d == std::trunc(d) && std::fabs(d) < 1e15) {
            return std::to_string(static_cast<std::int64_t>(d));
        }
        char buf[64];
        std::snprintf(buf, sizeof buf, "%.15g", d);
        return buf;
    }
    return std::get<std::string>(m_v);
}

std::int64_t Value::toInt() const {
    if (isInteger()) {
        return std::get<std::int64_t>(m_v);
    }
    return roundHalfEven(toDouble());
}

double Value::toDouble() const {
    if (isNull()) {
        return 0.0;
    }
    if (isInteger()) {
        return static_cast<double>(std::get<std::int64_t>(m_v));
    }
    if (isReal()) {
        return std::get<double>(m_v);
    }
    return leadingNumber(std::get<std::string>(m_v));
}

bool Value::toBool() const {
    if (isText()) {
        const std::string t = lowerAscii(trim(std::get<std::string>(m_v)));
        if (t == "true" || t == "vero" || t == "yes" || t == "si") {
            return true;
        }
        return leadingNumber(t) != 0.0;
    }
    return toDouble() != 0.0;
}

} // namespace sentinex
