#pragma once

#include <stdexcept>
#include <string>

namespace sentinex {

/// Why a report could not be produced. The number travels with the text into the operator's message
/// ("Errore nella produzione del report " + number + " " + text), so each cause keeps its own number.
class ReportError : public std::runtime_error {
public:
    enum Code : int {
        LayoutMissing = 101,      ///< the layout file is not there or cannot be read
        LayoutInvalid = 102,      ///< the layout file is not one of ours, or names what the table lacks
        DatabaseUnreadable = 103, ///< the database file cannot be opened or lacks the table
        PrinterFailed = 104,      ///< the printer (or the PDF file) refused the pages
    };

    ReportError(Code code, const std::string& text) : std::runtime_error(text), m_code(code) {}
    Code code() const { return m_code; }

private:
    Code m_code;
};

} // namespace sentinex
