#include "Frame.hpp"

namespace sentinex {

unsigned char Frame::accumulator(const std::string& bytes) {
    unsigned char acc = 0x05;
    for (char c : bytes) {
        if (c == End) {
            break;
        }
        acc ^= static_cast<unsigned char>(c);
    }
    return acc;
}

char Frame::requestCheck(const std::string& frameWithoutCheck) {
    unsigned char acc = accumulator(frameWithoutCheck);
    if (acc == 0x01) {
        acc = 0x02;
    } else if (acc == 0x05) {
        acc = 0x06;
    }
    return static_cast<char>(acc);
}

char Frame::replyCheck(const std::string& reply) {
    unsigned char acc = accumulator(reply);
    if (acc == 0x02) {
        acc = 0x03;
    } else if (acc == 0x05) {
        acc = 0x06;
    }
    return static_cast<char>(acc);
}

std::string Frame::buildRequest(const std::string& payload) {
    std::string frame;
    frame.reserve(payload.size() + 3);
    frame += Start;
    frame += payload;
    frame += End;
    frame += requestCheck(frame);
    return frame;
}

bool Frame::replyComplete(const std::string& received) {
    return received.size() >= 2 && received[received.size() - 2] == End;
}

bool Frame::acceptReply(const std::string& received) {
    if (received.size() >= 2 && received[received.size() - 2] == End) {
        return received.back() == replyCheck(received);
    }
    if (!received.empty() && received.back() == End) {
        return accumulator(received) == 0x00;
    }
    return false;
}

} // namespace sentinex
