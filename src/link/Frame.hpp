#pragma once

#include <string>

namespace sentinex {

/// Request frames and reply acceptance of the reader bus. Pure functions on byte strings (one byte a
/// character), so they can be checked and fuzzed without a port.
class Frame {
public:
    static constexpr char Start = '\x01';
    static constexpr char End = '\x05';

    /// 05 XORed with every byte of `bytes` before its first 05 (all of them when there is none).
    /// Equals the XOR of the bytes up to and including the first end byte.
    static unsigned char accumulator(const std::string& bytes);

    /// Check byte of a request: the accumulator with 01 sent as 02 and 05 sent as 06.
    static char requestCheck(const std::string& frameWithoutCheck);
    /// Check byte a reply must carry: the accumulator with 02 sent as 03 and 05 sent as 06.
    static char replyCheck(const std::string& reply);

    /// 01 + payload + 05 + check byte. Payload bytes 80h-FFh travel unchanged.
    static std::string buildRequest(const std::string& payload);

    /// Collection ends once the second-last received byte is the end byte.
    static bool replyComplete(const std::string& received);

    /// The acceptance rule: the second-last byte is 05 and the last is the reply check byte; or the
    /// last byte is 05 and the unsubstituted accumulator is 00 (a check byte of 00 left off).
    static bool acceptReply(const std::string& received);
};

} // namespace sentinex
