#pragma once

#include "EntryLimit.hpp"

#include <string>

namespace sentinex {

class AppState;
struct Settings;
class SettingsFile;
class ReaderBus;
class Clock;
class EventPump;
class Operator;
class OnlineView;
class RecordSet;

/// Everything of the main window that the online access control works with. All references must
/// outlive the objects that hold them.
struct OnlineServices {
    AppState& state;    // reader list, polling switch, step flag
    Settings& settings; // "QuattroCifre", "FileVireo", "Imparziale", "Beep", "StoricoEsterno", "Utenti"
    const SettingsFile& settingsFile; // where "Utenti" is written on every change
    std::string programFolder;        // card files and "Storico.txt"
    ReaderBus& bus;
    Clock& clock;
    EventPump& pump;
    Operator& op;
    OnlineView& view;
    // Bound to the tables themselves (not to SELECT texts), so their lookups read the live tables.
    RecordSet& presenti;         // `Data1`, bound to `presenti`
    RecordSet& transiti;         // `Data2`, bound to `transiti`
    RecordSet& carte;            // `Data3`, bound to `Carte`
    EntryLimitSource entryLimit; // empty: the saved values of `settings`

    /// "\r\n", the line break of the main window's messages.
    static constexpr const char* LineBreak = "\r\n";
};

} // namespace sentinex
