#include "ConsoleOperator.hpp"

#include <cstdio>

namespace sentinex {

void ConsoleOperator::message(const std::string& title, const std::string& text, MsgIcon) {
    std::fprintf(stderr, "%s: %s\n", title.c_str(), text.c_str());
}

Answer ConsoleOperator::question(const std::string& title, const std::string& text, MsgIcon, bool) {
    std::fprintf(stderr, "%s: %s (No)\n", title.c_str(), text.c_str());
    return Answer::No;
}

std::string ConsoleOperator::inputBox(const std::string&, const std::string&, const std::string&) {
    return {};
}

} // namespace sentinex
