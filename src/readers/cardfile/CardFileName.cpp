#include "CardFileName.hpp"

#include "core/Operator.hpp"
#include "core/TextCodec.hpp"

namespace sentinex {

std::optional<std::string> CardFileName::failure(const std::string& name) {
    if (characterCount(name) > 8) {
        return TooLongText;
    }
    if (name.find('.') != std::string::npos) {
        return DotText;
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
