#pragma once

#include <string>

namespace sentinex {

/// The line break of the main window's messages.
inline constexpr const char* LineBreak = "\r\n";

/// Lamp colours of the main window (back colour values as the window uses them).
enum class LampColour : int { Red = 255, Green = 65280 };

/// What the online access control writes on the main window. FrmMain implements it; tests record it.
class OnlineView {
public:
    virtual ~OnlineView() = default;
    /// `Label3`: the last online event (message, line break, date and time). UTF-8.
    virtual void showLastEvent(const std::string& text) = 0;
    /// `Label8`: "Stringa ricevuta : " + card data + two blanks + date and time. UTF-8.
    virtual void showReceived(const std::string& text) = 0;
    /// `Shape1` and `Shape2` back colour.
    virtual void setLamps(LampColour colour) = 0;
    /// `Label4`: the presence counter as decimal text without blanks.
    virtual void showPresence(const std::string& text) = 0;
    /// Polling stopped by the online access control itself (card file missing): switch off, `Label1`
    /// red, `Timer1` off, the tool buttons enabled again when automatic output is off. The message box
    /// has already been shown through the Operator.
    virtual void pollingStopped() = 0;
    /// The status line below the window's controls: what the site must know without anything stopping
    /// (records that could not be stored, readers that do not answer). The empty text hides it.
    virtual void showStatus(const std::string& text) = 0;
};

} // namespace sentinex
