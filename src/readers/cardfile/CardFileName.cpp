#include "CardFileName.hpp"

#include "core/Operator.hpp"

namespace sentinex {

std::optional<std::string> CardFileName::failure(const std::string& name) {
    if (name.find('.') != std::string::npos) {
        return DotText;
    }
    if (name.size() > 8) {
        return TooLongText;
    }
    return std::nullopt;
}

bool CardFileName::check(const std::string& name, Operator& op) {
    const auto f = failure(name);
    if (f) {
        op.message("Attenzione", *f, MsgIcon::Exclamation);
        return false;
    }
    return true;
}

} // namespace sentinex
