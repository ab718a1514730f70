#include "Settings.hpp"

namespace sentinex {

void Settings::computeBandFlags() {
    for (int i = 0; i < 3; ++i) {
        bandDefined[i] = OrarioIniziale[i] != "##:##" && OrarioFinale[i] != "##:##";
    }
}

} // namespace sentinex
