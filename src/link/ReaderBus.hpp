#pragma once

#include <functional>
#include <string>

namespace sentinex {

/// The two timeouts of an exchange.
enum class Timing {
    Comando, // invia_comando: first reply 2.0 s, silence 0.5 s
    Breve,   // invia_comando_breve: 0.1 s, 0.1 s
    Medio,   // invia_comando_medio: 1.2 s, 0.4 s
};

/// The reader bus as its users see it: set the current loop, then one exchange at a time.
/// The real one is Link; tests script it.
class ReaderBus {
public:
    virtual ~ReaderBus() = default;
    /// Loop (1..8) of the reader that the next exchange addresses; matters only in board mode.
    virtual void setCurrentLoop(int loop) = 0;
    virtual int currentLoop() const = 0;
    /// Sends one payload framed and returns the whole accepted reply (start byte through check byte),
    /// or the empty text for every failure. Called while another exchange is in progress it returns
    /// the empty text at once and leaves that exchange alone.
    virtual std::string exchange(const std::string& payload, Timing timing) = 0;
    /// True while an exchange is in progress.
    virtual bool busy() const = 0;
    /// Runs `action` now when no exchange is in progress, otherwise right after the running one ends.
    virtual void runWhenIdle(std::function<void()> action) = 0;

    std::string invia_comando(const std::string& payload) { return exchange(payload, Timing::Comando); }
    std::string invia_comando_breve(const std::string& payload) { return exchange(payload, Timing::Breve); }
    std::string invia_comando_medio(const std::string& payload) { return exchange(payload, Timing::Medio); }
};

} // namespace sentinex
