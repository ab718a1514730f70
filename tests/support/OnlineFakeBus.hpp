#pragma once

#include "link/ReaderBus.hpp"

#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace sentinex {

/// A scripted reader bus: records every exchange (loop, payload, timing) and answers from a queue of
/// replies, or from a function when one is set, or with the empty text (a silent reader).
class OnlineFakeBus final : public ReaderBus {
public:
    struct Sent {
        int loop;
        std::string payload;
        Timing timing;
    };
    using Responder = std::function<std::string(const std::string& payload, Timing timing)>;

    std::string exchange(const ReaderAddress& reader, const std::string& payload, Timing timing) override;
    bool busy() const override { return m_busy; }
    void runWhenIdle(std::function<void()> action) override;

    /// Queues a reply for the next exchange.
    void queue(std::string reply) { m_replies.push_back(std::move(reply)); }
    /// Answers every exchange not served by the queue.
    void respond(Responder r) { m_responder = std::move(r); }
    /// Called inside every exchange, as if events ran while the bus waited.
    void duringExchange(std::function<void()> hook) { m_during = std::move(hook); }

    const std::vector<Sent>& sent() const { return m_sent; }
    std::vector<std::string> payloads() const;
    void clear() { m_sent.clear(); }

    /// A poll reply frame as a reader sends it: start byte, the 8 prefix characters with the reply code
    /// at position 4 ("xxIx..."), inputs at positions 6 and 7, then card data, end byte and check byte.
    static std::string cardReply(const std::string& cardData, char input1 = '0', char input2 = '0');
    /// A reply whose fourth character is `code` (e.g. 'S').
    static std::string codeReply(char code);

private:
    bool m_busy = false;
    std::deque<std::string> m_replies;
    Responder m_responder;
    std::function<void()> m_during;
    std::vector<Sent> m_sent;
};

} // namespace sentinex
