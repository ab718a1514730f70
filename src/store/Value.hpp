#pragma once

#include <cstdint>
#include <string>
#include <variant>

namespace sentinex {

/// One field value of a record: Null, a whole number, a floating number or a text.
/// Booleans are stored as whole numbers 1 (True) and 0 (False).
class Value {
public:
    Value() = default;
    Value(std::nullptr_t) {}
    Value(int v) : m_v(static_cast<std::int64_t>(v)) {}
    Value(long v) : m_v(static_cast<std::int64_t>(v)) {}
    Value(long long v) : m_v(static_cast<std::int64_t>(v)) {}
    Value(bool v) : m_v(static_cast<std::int64_t>(v ? 1 : 0)) {}
    Value(double v) : m_v(v) {}
    Value(std::string v) : m_v(std::move(v)) {}
    Value(const char* v) : m_v(std::string(v)) {}

    bool isNull() const { return std::holds_alternative<std::monostate>(m_v); }
    bool isText() const { return std::holds_alternative<std::string>(m_v); }
    bool isInteger() const { return std::holds_alternative<std::int64_t>(m_v); }
    bool isReal() const { return std::holds_alternative<double>(m_v); }

    /// Text form: Null gives "", numbers their decimal text (whole reals without a fraction).
    std::string toString() const;
    /// Numeric value: texts by their leading number (0 when none), Null 0; reals rounded half to even.
    std::int64_t toInt() const;
    double toDouble() const;
    /// True when the value is a non-zero number (or a text with a non-zero leading number, or "True").
    /// Null reads as False.
    bool toBool() const;

    bool operator==(const Value&) const = default;

    const std::variant<std::monostate, std::int64_t, double, std::string>& raw() const { return m_v; }

private:
    std::variant<std::monostate, std::int64_t, double, std::string> m_v;
};

} // namespace sentinex
