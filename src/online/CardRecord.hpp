#pragma once

#include "store/Value.hpp"

#include <array>
#include <string>
#include <vector>

namespace sentinex {

class SqlStatement;

/// The fields of a `Carte` record that the online decision reads, taken in one go from a row that
/// holds `columns()` in order. Flags stay Values so a Null can be told from a stored False.
struct CardRecord {
    std::string NumeroCarta;
    std::string Cognome;
    std::string Nome;
    std::string Lettore;
    Value AbilitaCarta;
    Value Flag_online;
    Value Imparziale;
    Value ControllaInput;
    Value MetodoInput;
    Value Input1;
    Value Input2;
    Value Flag_fasce;
    Value Output1;
    Value Output2;
    /// Day flags and intervals by weekday, 0 = Sunday ... 6 = Saturday.
    std::array<Value, 7> dayFlag;
    /// Per weekday: _1_da, _1_a, _2_da, _2_a.
    std::array<std::array<std::string, 4>, 7> interval;

    /// The `Carte` fields the decision reads, in the order `fromRow` expects them.
    static const std::vector<std::string>& columns();
    /// The record on the current row of `st`, which selects `columns()` in that order.
    static CardRecord fromStatement(const SqlStatement& st);

    /// Field prefix of the interval fields of a weekday ("Dom", "Lun", ...).
    static const char* dayPrefix(int weekday);
    /// Name of the day flag field of a weekday ("Domenica", "Lunedi", ...).
    static const char* dayFlagField(int weekday);

    /// True only when the value is a stored True (a Null is not True).
    static bool isTrue(const Value& v) { return !v.isNull() && v.toBool(); }
    /// True only when the value is a stored False (a Null is not False).
    static bool isFalse(const Value& v) { return !v.isNull() && !v.toBool(); }
};

} // namespace sentinex
