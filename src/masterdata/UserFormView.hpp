#pragma once

#include "UserRecord.hpp"
#include "core/BrowseCursor.hpp"

#include <array>
#include <string>
#include <vector>

namespace sentinex {

/// What the users form renders: the cursor's counter and captions, the user in the fields, which
/// frames show and act, and which commands are enabled.
struct UserFormView {
    BrowseView browse;
    /// The user shown (or being typed); the stand-alone choice is `standAloneChoice`.
    UserRecord record;
    /// The option chosen among "Attivo 24 ore" (0) and "Fascia 1".."Fascia 3" (1..3); -1: none.
    int standAloneChoice = 0;
    /// The band chooser's list, as read when the form was loaded.
    std::vector<std::string> bandNames;

    bool noUser = false;             // browse mode over an empty table: every box and option clear
    bool framesOn = false;           // Frame1, Frame2 (and the visible band frame): edit mode
    bool onlineFrameVisible = false; // Frame6 shown, Frame11 hidden ("On Line" ticked)
    bool bandChooserEnabled = false; // Combo1: "Abilita" ticked
    /// "Fascia 1".."Fascia 3" choosable ("Attivo 24 ore" always is).
    std::array<bool, 3> standAloneAvailable{};

    bool info = false;      // Command6
    bool associate = false; // Command8 "Associa lettori"
    bool bands = false;     // Command9 "Fasce orarie"
    bool search = false;    // Command10 "Ricerca"
    bool upload = false;    // Command11 "UpLoad carta"
    bool release = false;   // Command14 "Imparziale"
    bool registerCard = false;
    std::string registerCaption; // Command15: "Registra carta esterna" / "Fine passaggio carta esterna"
    /// A save, delete or reader run is under way: nothing but the run's own stop acts.
    bool busy = false;

    bool operator==(const UserFormView&) const = default;
};

} // namespace sentinex
