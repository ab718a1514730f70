#include "LinkScriptedPort.hpp"

#include <chrono>
#include <cstdio>
#include <thread>

namespace sentinex::testing {

bool LinkScriptedPort::write(const std::string& bytes) {
    if (!open) {
        return false;
    }
    written.push_back(bytes);
    if (log) {
        std::string hex;
        char buf[4];
        for (char c : bytes) {
            std::snprintf(buf, sizeof buf, "%02X", static_cast<unsigned char>(c));
            hex += buf;
        }
        log->push_back("serial " + hex);
    }
    if (onWrite) {
        onWrite(bytes);
    }
    return true;
}

std::string LinkScriptedPort::read(int waitMs) {
    if (!waiting.empty()) {
        std::string w;
        w.swap(waiting);
        return w;
    }
    if (open && !chunks.empty()) {
        std::string c = chunks.front();
        chunks.pop_front();
        return c;
    }
    if (waitMs > 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(waitMs));
    }
    return {};
}

void LinkScriptedPort::discardInput() {
    ++discards;
    waiting.clear();
}

} // namespace sentinex::testing
