#include "CardRecord.hpp"


namespace sentinex {

const char* CardRecord::dayPrefix(int weekday) {
    static const char* const prefixes[7] = {"Dom", "Lun", "Mar", "Mer", "Gio", "Ven", "Sab"};
    return prefixes[((weekday % 7) + 7) % 7];
}

const char* CardRecord::dayFlagField(int weekday) {
    static const char* const fields[7] = {"Domenica", "Lunedi",  "Martedi", "Mercoledi",
                                          "Giovedi",  "Venerdi", "Sabato"};
    return fields[((weekday % 7) + 7) % 7];
}

namespace {

constexpr const char* IntervalBounds[4] = {"_1_da", "_1_a", "_2_da", "_2_a"};
// Position of the first day flag in columns(); the 28 interval fields follow the 7 flags.
constexpr std::size_t FirstDayFlag = 14;
constexpr std::size_t FirstInterval = FirstDayFlag + 7;

} // namespace

const std::vector<std::string>& CardRecord::columns() {
    static const std::vector<std::string> names = [] {
        std::vector<std::string> n = {"NumeroCarta", "Cognome",     "Nome",    "Lettore",    "AbilitaCarta",
                                      "Flag_online", "Imparziale",  "ControllaInput", "MetodoInput", "Input1",
                                      "Input2",      "Flag_fasce",  "Output1", "Output2"};
        for (int d = 0; d < 7; ++d) {
            n.emplace_back(dayFlagField(d));
        }
        for (int d = 0; d < 7; ++d) {
            for (const char* bound : IntervalBounds) {
                n.push_back(std::string(dayPrefix(d)) + bound);
            }
        }
        return n;
    }();
    return names;
}

CardRecord CardRecord::fromRow(const std::vector<Value>& row) {
    auto at = [&row](std::size_t i) { return i < row.size() ? row[i] : Value(); };
    CardRecord c;
    c.NumeroCarta = at(0).toString();
    c.Cognome = at(1).toString();
    c.Nome = at(2).toString();
    c.Lettore = at(3).toString();
    c.AbilitaCarta = at(4);
    c.Flag_online = at(5);
    c.Imparziale = at(6);
    c.ControllaInput = at(7);
    c.MetodoInput = at(8);
    c.Input1 = at(9);
    c.Input2 = at(10);
    c.Flag_fasce = at(11);
    c.Output1 = at(12);
    c.Output2 = at(13);
    for (std::size_t d = 0; d < 7; ++d) {
        c.dayFlag[d] = at(FirstDayFlag + d);
        for (std::size_t b = 0; b < 4; ++b) {
            c.interval[d][b] = at(FirstInterval + d * 4 + b).toString();
        }
    }
    return c;
}

} // namespace sentinex
