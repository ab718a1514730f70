#pragma once

#include <map>
#include <string>
#include <vector>

namespace sentinex {

/// A report layout file (".rpt"): what one printed report shows and how it is laid out on the page.
///
/// The file is text, one setting per line; blank lines and lines starting with "#" are ignored. The
/// first setting line must be `sentinex-report 1`. Then `key = value` lines:
///
///     title   = {Titolo}                 title line; {Name} is replaced by the formula Name's value
///     table   = temp                     the table (or view) whose records are the rows
///     order   = Cognome nocase, rowid    sort fields, each optionally "nocase" and/or "desc"
///     page    = A4 landscape             A3, A4, A5 or Letter; portrait (default) or landscape
///     margins = 12 10 12 10              left top right bottom, in millimetres
///     font    = 9                        point size of the rows (headers and title scale from it)
///     column  = Caption | field | 30 | left | date
///                                        header caption, field, width in mm, left/center/right,
///                                        optional format: text (default), date, datetime, yesno
///     footer  = Pagina {page} di {pages} page footer, on every page
///     summary = Records : {count}        line after the last row
///
/// `table` and at least one `column` are required; the columns must fit between the margins.
struct ReportLayout {
    enum class Align { Left, Center, Right };
    /// How a field's value becomes the text of its cell.
    enum class Format {
        Text,     ///< the value as stored
        Date,     ///< a day number as dd/mm/yyyy
        DateTime, ///< a day number as dd/mm/yyyy hh:mm:ss
        YesNo,    ///< a Boolean as "Sì" / "No"
    };
    struct Column {
        std::string caption;
        std::string field;
        double widthMm = 0;
        Align align = Align::Left;
        Format format = Format::Text;
    };
    struct SortKey {
        std::string field;
        bool noCase = false;
        bool descending = false;
    };

    std::string title;
    std::string table;
    std::vector<SortKey> order;
    std::string pageName = "A4";
    double pageWidthMm = 210;
    double pageHeightMm = 297;
    bool landscape = false;
    double marginLeftMm = 15;
    double marginTopMm = 15;
    double marginRightMm = 15;
    double marginBottomMm = 15;
    double fontPoints = 9;
    std::vector<Column> columns;
    std::string footer;
    std::string summary;

    /// Reads a layout from its text; `fileName` only names the file in messages. Throws ReportError
    /// (LayoutInvalid) naming the line and what is wrong with it.
    static ReportLayout parse(const std::string& text, const std::string& fileName);
    /// Reads the layout file `path`. Throws ReportError: LayoutMissing when the file is not there or
    /// cannot be read, LayoutInvalid as parse() does.
    static ReportLayout load(const std::string& path);

    /// The page's width and height as printed (landscape swaps them), in millimetres.
    double printedWidthMm() const { return landscape ? pageHeightMm : pageWidthMm; }
    double printedHeightMm() const { return landscape ? pageWidthMm : pageHeightMm; }

    /// `text` with every {name} replaced by values[name]; an unknown name gives the empty text, and a
    /// brace that does not open a {name} stays as it is.
    static std::string expand(const std::string& text, const std::map<std::string, std::string>& values);
};

} // namespace sentinex
