#include "OnlineFakeBus.hpp"

namespace sentinex {

std::string OnlineFakeBus::exchange(const ReaderAddress& reader, const std::string& payload, Timing timing) {
    if (m_busy) {
        return {};
    }
    m_sent.push_back({reader.loop, payload, timing});
    m_busy = true;
    if (m_during) {
        m_during();
    }
    m_busy = false;
    if (!m_replies.empty()) {
        std::string r = std::move(m_replies.front());
        m_replies.pop_front();
        return r;
    }
    return m_responder ? m_responder(payload, timing) : std::string();
}

void OnlineFakeBus::runWhenIdle(std::function<void()> action) {
    if (action) {
        action();
    }
}

std::vector<std::string> OnlineFakeBus::payloads() const {
    std::vector<std::string> out;
    for (const auto& s : m_sent) {
        out.push_back(s.payload);
    }
    return out;
}

std::string OnlineFakeBus::cardReply(const std::string& cardData, char input1, char input2) {
    std::string r = "\x02";
    r += "01I0";
    r += input1;
    r += input2;
    r += "0";
    r += cardData;
    r += "\x03";
    r += "K";
    return r;
}

std::string OnlineFakeBus::codeReply(char code) {
    std::string r = "\x02";
    r += "01";
    r += code;
    r += "0000";
    r += "\x03";
    r += "K";
    return r;
}

} // namespace sentinex
