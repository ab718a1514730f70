#include "ReaderAddress.hpp"

#include "ReaderCommands.hpp"

namespace sentinex {

std::string ReaderAddress::prefix() const {
    return ReaderCommands::prefix(address, siteCode);
}

} // namespace sentinex
