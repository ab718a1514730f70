#pragma once

#include <string>

namespace sentinex {

/// A report formula as the program hands it over: `Name = "text"` (a doubled quote inside the text
/// stands for one quote). The layout shows its value where it writes {Name}.
struct ReportFormula {
    std::string name;
    std::string value;

    /// Throws ReportError (LayoutInvalid) for a text that is not such a formula.
    static ReportFormula parse(const std::string& text);
    /// The formula text for `value`, quoted as parse() reads it.
    static std::string quoted(const std::string& name, const std::string& value);
};

} // namespace sentinex
