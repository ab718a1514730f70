#pragma once

#include "online/OnlineView.hpp"

#include <optional>
#include <string>
#include <vector>

namespace sentinex {

/// An OnlineView that keeps what the window would show.
class OnlineRecordingView final : public OnlineView {
public:
    void showLastEvent(const std::string& text) override { events.push_back(text); }
    void showReceived(const std::string& text) override { received.push_back(text); }
    void setLamps(LampColour colour) override { lamps.push_back(colour); }
    void showPresence(const std::string& text) override { presence.push_back(text); }
    void pollingStopped() override { ++stops; }
    void showStatus(const std::string& text) override { status.push_back(text); }

    /// Last `Label3` text, or empty.
    std::string lastEvent() const { return events.empty() ? std::string() : events.back(); }
    std::optional<LampColour> lastLamps() const {
        return lamps.empty() ? std::nullopt : std::optional<LampColour>(lamps.back());
    }

    std::vector<std::string> events;
    std::vector<std::string> received;
    std::vector<LampColour> lamps;
    std::vector<std::string> presence;
    std::vector<std::string> status; // every text the status line showed, "" when it was hidden
    int stops = 0;
};

} // namespace sentinex
