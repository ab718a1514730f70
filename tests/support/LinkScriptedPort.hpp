#pragma once

#include "link/SerialPort.hpp"

#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace sentinex::testing {

/// A serial port the test scripts: records what is written, hands out queued input chunks one per
/// read (sleeping the wait asked for when there is none), and can log into a shared event list.
class LinkScriptedPort : public SerialPort {
public:
    bool isOpen() const override { return open; }
    bool write(const std::string& bytes) override;
    std::string read(int waitMs) override;
    void discardInput() override;
    int outputPending() override { return 0; }

    bool open = true;
    std::vector<std::string> written;
    /// Bytes waiting in the receive buffer (thrown away by discardInput).
    std::string waiting;
    /// Chunks handed out after the next write, one per read.
    std::deque<std::string> chunks;
    /// Called after each write with the bytes written (e.g. to queue a reply).
    std::function<void(const std::string&)> onWrite;
    /// When set, "serial <hex>" is appended for each write.
    std::vector<std::string>* log = nullptr;
    int discards = 0;
};

} // namespace sentinex::testing
