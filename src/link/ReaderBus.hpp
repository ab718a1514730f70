#pragma once

#include "ReaderAddress.hpp"

#include <functional>
#include <string>

namespace sentinex {

/// The two timeouts of an exchange (first reply, then silence that ends the reply).
enum class Timing {
    Command, // 2.0 s, 0.5 s: commands that make the reader work (grant, program, download)
    Short,   // 0.1 s, 0.1 s: the poll of an ordinary reader
    Medium,  // 1.2 s, 0.4 s: the poll of a "TERA TR-X"
};

/// The reader bus as its users see it: one exchange at a time, each naming the reader it addresses.
/// The real one is Link; tests script it.
class ReaderBus {
public:
    virtual ~ReaderBus() = default;
    /// Selects the loop of `reader`, sends one payload framed and returns the whole accepted reply
    /// (start byte through check byte), or the empty text for every failure. Called while another
    /// exchange is in progress it returns the empty text at once and leaves that exchange alone.
    virtual std::string exchange(const ReaderAddress& reader, const std::string& payload, Timing timing) = 0;
    /// True while an exchange is in progress.
    virtual bool busy() const = 0;
    /// Runs `action` now when no exchange is in progress, otherwise right after the running one ends.
    virtual void runWhenIdle(std::function<void()> action) = 0;
};

} // namespace sentinex
