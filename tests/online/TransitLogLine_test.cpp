#include "online/ReasonCode.hpp"
#include "online/TransitLog.hpp"

#include <gtest/gtest.h>

namespace sentinex {
namespace {

TEST(TransitLogLineTest, StoricoLineLayoutIsExact) {
    EXPECT_EQ(TransitLog::storicoLine("0042", "Mario", "Rossi", 3, "Atrio", "05/01/2026", "14:30", "In"),
              "\"0042          Mario          Rossi   03    Atrio 05/01/2026 14:30 Passaggio In\"\r\n");
}

TEST(TransitLogLineTest, LongTextsKeepTheirEndAndAccentsAreOneByte) {
    const std::string line = TransitLog::storicoLine("0007", "Nicolò", "Bartolomeo Giovanni", 12,
                                                     "Ingresso Nord", "31/12/2026", "23:59", "InOut");
    const std::string expected = std::string("\"0007 ") + "        Nicol\xF2" + " " + "lomeo Giovanni" +
                                 "   12 " + "sso Nord" + " 31/12/2026 23:59 Passaggio InOut\"\r\n";
    EXPECT_EQ(line, expected);
    // Reader index beyond two digits keeps its last two.
    EXPECT_NE(TransitLog::storicoLine("1", "", "", 105, "", "", "", "").find("   05 "), std::string::npos);
}

TEST(TransitLogLineTest, ReasonTexts) {
    const std::pair<int, const char*> table[] = {
        {0, "Carta irregolare"},
        {1, "Badge non presente in archivio"},
        {2, "Codice impianto non valido"},
        {3, "Fuori fascia"},
        {4, ""},
        {5, "Non abilitato sul lettore"},
        {6, "Blocco da imparziale"},
        {7, "Blocco per anti pass back"},
        {8, "Non abilitato all' online"},
        {9, "Bloco per numero massimo"},
        {10, "Blocco per input non valido"},
        {11, "Archivio utenti illeggibile"},
        {12, ""},
        {-1, ""},
    };
    for (const auto& [code, nota] : table) {
        EXPECT_EQ(notaFor(code), nota) << code;
    }
}

} // namespace
} // namespace sentinex
