#include "CardRecord.hpp"

#include "store/RecordSet.hpp"

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

CardRecord CardRecord::fromRecordSet(const RecordSet& carte) {
    CardRecord c;
    c.NumeroCarta = carte.text("NumeroCarta");
    c.Cognome = carte.text("Cognome");
    c.Nome = carte.text("Nome");
    c.Lettore = carte.text("Lettore");
    c.AbilitaCarta = carte.field("AbilitaCarta");
    c.Flag_online = carte.field("Flag_online");
    c.Imparziale = carte.field("Imparziale");
    c.ControllaInput = carte.field("ControllaInput");
    c.MetodoInput = carte.field("MetodoInput");
    c.Input1 = carte.field("Input1");
    c.Input2 = carte.field("Input2");
    c.Flag_fasce = carte.field("Flag_fasce");
    c.Output1 = carte.field("Output1");
    c.Output2 = carte.field("Output2");
    static const char* const bounds[4] = {"_1_da", "_1_a", "_2_da", "_2_a"};
    for (int d = 0; d < 7; ++d) {
        const auto i = static_cast<std::size_t>(d);
        c.dayFlag[i] = carte.field(dayFlagField(d));
        for (std::size_t b = 0; b < 4; ++b) {
            c.interval[i][b] = carte.text(std::string(dayPrefix(d)) + bounds[b]);
        }
    }
    return c;
}

} // namespace sentinex
