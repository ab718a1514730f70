#include "CardDecoder.hpp"

#include "readers/ReaderEntry.hpp"

namespace sentinex {

std::string CardDecoder::charAt(const std::string& reply, long pos) {
    if (pos < 1 || static_cast<unsigned long>(pos) > reply.size()) {
        return {};
    }
    return reply.substr(static_cast<std::size_t>(pos - 1), 1);
}

int CardDecoder::inputState(const std::string& reply, long pos) {
    const std::string c = charAt(reply, pos);
    return (c.size() == 1 && c[0] >= '0' && c[0] <= '9') ? c[0] - '0' : 0;
}

DecodedCard CardDecoder::decode(const std::string& reply, const ReaderEntry& entry, bool fourDigits) {
    DecodedCard d;
    if (entry.type != VireoType) {
        for (int i = 0; i < 3; ++i) {
            d.cardNumber += positioned(reply, entry.posCarta[i]);
        }
        d.cardNumber = fourDigits ? d.cardNumber + positioned(reply, entry.posCarta[3]) : "0" + d.cardNumber;
    }
    d.input1 = inputState(reply, 6);
    d.input2 = inputState(reply, 7);
    for (int i = 0; i < 6; ++i) {
        d.siteCode += positioned(reply, entry.posCodice[i]);
    }
    return d;
}

} // namespace sentinex
