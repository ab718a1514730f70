// libFuzzer target: reply acceptance, check bytes and reply reading on arbitrary bytes.
#include "link/Frame.hpp"
#include "link/ReaderReply.hpp"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

using sentinex::Frame;
using sentinex::ReaderReply;

namespace {

void require(bool ok) {
    if (!ok) {
        __builtin_trap();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);

    // Acceptance agrees with its definition.
    const bool accepted = Frame::acceptReply(bytes);
    bool expected = false;
    if (size >= 2 && bytes[size - 2] == '\x05') {
        expected = bytes.back() == Frame::replyCheck(bytes);
    } else if (size >= 1 && bytes.back() == '\x05') {
        expected = Frame::accumulator(bytes) == 0;
    }
    require(accepted == expected);
    require(Frame::replyComplete(bytes) == (size >= 2 && bytes[size - 2] == '\x05'));

    // Check bytes avoid their forbidden values.
    const auto rc = static_cast<unsigned char>(Frame::replyCheck(bytes));
    require(rc != 0x02 && rc != 0x05);
    const auto qc = static_cast<unsigned char>(Frame::requestCheck(bytes));
    require(qc != 0x01 && qc != 0x05);

    // A reply completed with its own check byte is accepted whatever its body.
    std::string body = bytes;
    for (char& c : body) {
        if (c == '\x05') {
            c = '\x04';
        }
    }
    std::string framed = "\x02" + body + "\x05";
    framed += Frame::replyCheck(framed);
    require(Frame::acceptReply(framed));

    // A request frame is start, payload, end, check.
    const std::string request = Frame::buildRequest(body);
    require(request.size() == body.size() + 3 && request.front() == '\x01' &&
            request.compare(1, body.size(), body) == 0 && request[request.size() - 2] == '\x05');

    // Reading never goes out of range and classification is total.
    for (std::size_t pos = 0; pos <= size + 2; ++pos) {
        const char c = ReaderReply::at(bytes, pos);
        require(pos >= 1 && pos <= size ? c == bytes[pos - 1] : c == '\0');
        require(ReaderReply::mid(bytes, pos, 3).size() <= 3);
    }
    const ReaderReply::Status s = ReaderReply::classify(bytes);
    require((s == ReaderReply::Status::Ok) == (size >= 4 && bytes[3] == 'S'));
    require(std::strlen(ReaderReply::words(s)) > 0 || s == ReaderReply::Status::Ok);
    require(!ReaderReply::describe(bytes).empty());
    return 0;
}
