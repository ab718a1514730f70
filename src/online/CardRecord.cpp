#include "CardRecord.hpp"

#include "store/SqlStatement.hpp"

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
        std::vector<std::string> n = {
            "NumeroCarta",    "Cognome",     "Nome",   "Lettore", "AbilitaCarta", "Flag_online", "Imparziale",
            "ControllaInput", "MetodoInput", "Input1", "Input2",  "Flag_fasce",   "Output1",     "Output2"};
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

CardRecord CardRecord::fromStatement(const SqlStatement& st) {
    CardRecord c;
    c.NumeroCarta = st.columnText(0);
    c.Cognome = st.columnText(1);
    c.Nome = st.columnText(2);
    c.Lettore = st.columnText(3);
    c.AbilitaCarta = st.column(4);
    c.Flag_online = st.column(5);
    c.Imparziale = st.column(6);
    c.ControllaInput = st.column(7);
    c.MetodoInput = st.column(8);
    c.Input1 = st.column(9);
    c.Input2 = st.column(10);
    c.Flag_fasce = st.column(11);
    c.Output1 = st.column(12);
    c.Output2 = st.column(13);
    for (int d = 0; d < 7; ++d) {
        const auto day = static_cast<std::size_t>(d);
        c.dayFlag[day] = st.column(static_cast<int>(FirstDayFlag) + d);
        for (int b = 0; b < 4; ++b) {
            c.interval[day][static_cast<std::size_t>(b)] =
                st.columnText(static_cast<int>(FirstInterval) + d * 4 + b);
        }
    }
    return c;
}

} // namespace sentinex
