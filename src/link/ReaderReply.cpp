#include "ReaderReply.hpp"

namespace sentinex {

char ReaderReply::at(const std::string& reply, std::size_t position) {
    if (position == 0 || position > reply.size()) {
        return '\0';
    }
    return reply[position - 1];
}

std::string ReaderReply::mid(const std::string& reply, std::size_t position, std::size_t length) {
    if (position == 0 || position > reply.size()) {
        return {};
    }
    return reply.substr(position - 1, length);
}

ReaderReply::Status ReaderReply::classify(const std::string& reply) {
    if (reply.empty()) {
        return Status::NotConnected;
    }
    switch (code(reply)) {
    case 'D':
        return Status::TransferError;
    case 'C':
        return Status::CodeError;
    case 'S':
        return Status::Ok;
    default:
        return Status::Unknown;
    }
}

const char* ReaderReply::words(Status status) {
    switch (status) {
    case Status::NotConnected:
        return NotConnectedText;
    case Status::TransferError:
        return TransferErrorText;
    case Status::CodeError:
        return CodeErrorText;
    case Status::Unknown:
        return UnknownText;
    case Status::Ok:
        break;
    }
    return "";
}

std::string ReaderReply::describe(const std::string& reply) {
    if (!reply.empty()) {
        switch (code(reply)) {
        case 'S':
            return "Comando eseguito.";
        case 'I':
            return "Carta presentata.";
        case 'Z':
            return "Transito memorizzato.";
        case 'F':
            return "Memoria dei transiti vuota.";
        default:
            break;
        }
    }
    return words(classify(reply));
}

} // namespace sentinex
