#include "ReaderValidation.hpp"

#include "ReaderForm.hpp"

#include "core/Numbers.hpp"
#include "core/Operator.hpp"

namespace sentinex {

namespace {

bool inRange(const std::string& text, std::int64_t lo, std::int64_t hi) {
    const auto v = ReaderValidation::wholeNumber(text);
    return v && *v >= lo && *v <= hi;
}

} // namespace

std::optional<std::int64_t> ReaderValidation::wholeNumber(const std::string& text, std::size_t maxDigits) {
    const std::string t = trim(text);
    if (t.empty() || t.size() > maxDigits) {
        return std::nullopt;
    }
    std::int64_t v = 0;
    for (char c : t) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        v = v * 10 + (c - '0');
    }
    return v;
}

std::optional<std::string> ReaderValidation::firstFailure(ReaderForm& form, const std::vector<Slot>& stored,
                                                          std::optional<int> editingPosition) {
    if (form.type != "TERA TR-X" && form.type != "TERA TR-Y1" && form.type != "NANO NN-K") {
        return TypeText;
    }
    const auto site = wholeNumber(form.siteCode, 6);
    if (!site) {
        return SiteCodeText;
    }
    form.siteCode = padLeftZeros(*site, 6);
    if (!inRange(form.opening, 0, 49)) {
        return OpeningText;
    }
    if (form.state != "Out" && form.state != "In" && form.state != "InOut") {
        return StateText;
    }
    for (const std::string& p : form.cardPos) {
        if (!inRange(p, 0, 99)) {
            return CardPosText;
        }
    }
    for (const std::string& p : form.codePos) {
        if (!inRange(p, 0, 99)) {
            return CodePosText;
        }
    }
    // Numeric checks of loop and address come before their range checks, so a non-numeric address is
    // reported before a loop out of range.
    const auto loop = wholeNumber(form.loop);
    if (!loop) {
        return LoopText;
    }
    const auto address = wholeNumber(form.address);
    if (!address) {
        return AddressText;
    }
    if (*loop < 1 || *loop > 8) {
        return LoopText;
    }
    if (*address > 31) {
        return AddressText;
    }
    for (std::size_t i = 0; i < stored.size(); ++i) {
        const bool self = editingPosition && static_cast<std::size_t>(*editingPosition) == i + 1;
        if (stored[i].loop == *loop && stored[i].address == *address && !self) {
            return ClashText;
        }
    }
    return std::nullopt;
}

bool ReaderValidation::validate(ReaderForm& form, const std::vector<Slot>& stored,
                                std::optional<int> editingPosition, Operator& op) {
    const auto failure = firstFailure(form, stored, editingPosition);
    if (failure) {
        op.message("Attenzione", *failure, MsgIcon::Exclamation);
        return false;
    }
    return true;
}

} // namespace sentinex
