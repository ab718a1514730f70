#include "ReportFormula.hpp"

#include "ReportError.hpp"

#include <cctype>

namespace sentinex {

namespace {

[[noreturn]] void refuse(const std::string& text) {
    throw ReportError(ReportError::LayoutInvalid, "Formula del report non valida: " + text);
}

} // namespace

ReportFormula ReportFormula::parse(const std::string& text) {
    const auto eq = text.find('=');
    if (eq == std::string::npos) {
        refuse(text);
    }
    ReportFormula f;
    for (char c : text.substr(0, eq)) {
        if (c == ' ' || c == '\t') {
            continue;
        }
        if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '_')) {
            refuse(text);
        }
        f.name += c;
    }
    if (f.name.empty() || std::isdigit(static_cast<unsigned char>(f.name[0]))) {
        refuse(text);
    }
    auto i = text.find_first_not_of(" \t", eq + 1);
    if (i == std::string::npos || text[i] != '"') {
        refuse(text);
    }
    for (++i; i < text.size(); ++i) {
        if (text[i] != '"') {
            f.value += text[i];
        } else if (i + 1 < text.size() && text[i + 1] == '"') {
            f.value += '"';
            ++i;
        } else {
            break;
        }
    }
    if (i >= text.size() || text.find_first_not_of(" \t", i + 1) != std::string::npos) {
        refuse(text); // unterminated, or something after the closing quote
    }
    return f;
}

std::string ReportFormula::quoted(const std::string& name, const std::string& value) {
    std::string out = name + " = \"";
    for (char c : value) {
        out += c;
        if (c == '"') {
            out += '"';
        }
    }
    return out + "\"";
}

} // namespace sentinex
