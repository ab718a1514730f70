#include "ReportLayout.hpp"

#include "ReportError.hpp"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <fstream>
#include <set>
#include <sstream>

namespace sentinex {

namespace {

std::string trim(const std::string& s) {
    const auto first = s.find_first_not_of(" \t\r");
    if (first == std::string::npos) {
        return {};
    }
    const auto last = s.find_last_not_of(" \t\r");
    return s.substr(first, last - first + 1);
}

std::string lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
    return s;
}

std::vector<std::string> split(const std::string& s, char sep) {
    std::vector<std::string> parts;
    std::string::size_type start = 0;
    while (true) {
        const auto at = s.find(sep, start);
        parts.push_back(trim(s.substr(start, at == std::string::npos ? std::string::npos : at - start)));
        if (at == std::string::npos) {
            return parts;
        }
        start = at + 1;
    }
}

std::vector<std::string> words(const std::string& s) {
    std::istringstream in(s);
    std::vector<std::string> out;
    std::string w;
    while (in >> w) {
        out.push_back(w);
    }
    return out;
}

/// Field and table names go into statements as quoted identifiers: only plain names are accepted.
bool isIdentifier(const std::string& s) {
    if (s.empty() || s.size() > 64 || !(std::isalpha(static_cast<unsigned char>(s[0])) || s[0] == '_')) {
        return false;
    }
    return std::all_of(s.begin(), s.end(), [](unsigned char c) { return std::isalnum(c) || c == '_'; });
}

bool toNumber(const std::string& s, double& out) {
    const char* end = s.data() + s.size();
    const auto [ptr, ec] = std::from_chars(s.data(), end, out);
    return ec == std::errc() && ptr == end;
}

struct PageSize {
    const char* name;
    double width;
    double height;
};
constexpr PageSize kPages[] = {
    {"a3", 297, 420}, {"a4", 210, 297}, {"a5", 148, 210}, {"letter", 215.9, 279.4}};

class LineParser {
public:
    LineParser(ReportLayout& layout, std::string fileName) : m_layout(layout), m_file(std::move(fileName)) {}

    [[noreturn]] void fail(const std::string& what) const {
        throw ReportError(ReportError::LayoutInvalid, "Layout del report non valido (" + m_file + ", riga " +
                                                          std::to_string(m_line) + "): " + what);
    }

    void setLine(int line) { m_line = line; }

    void apply(const std::string& key, const std::string& value) {
        if (key != "column" && !m_seen.insert(key).second) {
            fail("\"" + key + "\" ripetuto");
        }
        if (key == "title") {
            m_layout.title = value;
        } else if (key == "table") {
            requireIdentifier(value, "tabella");
            m_layout.table = value;
        } else if (key == "order") {
            parseOrder(value);
        } else if (key == "page") {
            parsePage(value);
        } else if (key == "margins") {
            parseMargins(value);
        } else if (key == "font") {
            m_layout.fontPoints = positive(value, "dimensione del carattere");
            if (m_layout.fontPoints < 4 || m_layout.fontPoints > 48) {
                fail("dimensione del carattere fuori dai limiti (4-48): " + value);
            }
        } else if (key == "column") {
            parseColumn(value);
        } else if (key == "footer") {
            m_layout.footer = value;
        } else if (key == "summary") {
            m_layout.summary = value;
        } else {
            fail("impostazione sconosciuta \"" + key + "\"");
        }
    }

private:
    void requireIdentifier(const std::string& name, const char* what) const {
        if (!isIdentifier(name)) {
            fail(std::string("nome di ") + what + " non valido \"" + name + "\"");
        }
    }

    double positive(const std::string& text, const char* what) const {
        double v = 0;
        if (!toNumber(text, v) || !(v > 0)) {
            fail(std::string(what) + " non valida \"" + text + "\"");
        }
        return v;
    }

    void parseOrder(const std::string& value) {
        for (const auto& item : split(value, ',')) {
            const auto w = words(item);
            if (w.empty()) {
                fail("campo di ordinamento mancante");
            }
            ReportLayout::SortKey key{w[0]};
            requireIdentifier(key.field, "campo");
            for (std::size_t i = 1; i < w.size(); ++i) {
                const std::string opt = lower(w[i]);
                if (opt == "nocase") {
                    key.noCase = true;
                } else if (opt == "desc") {
                    key.descending = true;
                } else {
                    fail("opzione di ordinamento sconosciuta \"" + w[i] + "\"");
                }
            }
            m_layout.order.push_back(key);
        }
    }

    void parsePage(const std::string& value) {
        const auto w = words(value);
        if (w.empty() || w.size() > 2) {
            fail("pagina non valida \"" + value + "\"");
        }
        const auto size = std::find_if(std::begin(kPages), std::end(kPages),
                                       [&](const PageSize& p) { return lower(w[0]) == p.name; });
        if (size == std::end(kPages)) {
            fail("formato di pagina sconosciuto \"" + w[0] + "\"");
        }
        m_layout.pageName = w[0];
        m_layout.pageWidthMm = size->width;
        m_layout.pageHeightMm = size->height;
        if (w.size() == 2) {
            const std::string orientation = lower(w[1]);
            if (orientation != "portrait" && orientation != "landscape") {
                fail("orientamento sconosciuto \"" + w[1] + "\"");
            }
            m_layout.landscape = orientation == "landscape";
        }
    }

    void parseMargins(const std::string& value) {
        const auto w = words(value);
        if (w.size() != 4) {
            fail("servono quattro margini (sinistro alto destro basso): \"" + value + "\"");
        }
        double m[4];
        for (int i = 0; i < 4; ++i) {
            if (!toNumber(w[static_cast<std::size_t>(i)], m[i]) || m[i] < 0) {
                fail("margine non valido \"" + w[static_cast<std::size_t>(i)] + "\"");
            }
        }
        m_layout.marginLeftMm = m[0];
        m_layout.marginTopMm = m[1];
        m_layout.marginRightMm = m[2];
        m_layout.marginBottomMm = m[3];
    }

    void parseColumn(const std::string& value) {
        const auto parts = split(value, '|');
        if (parts.size() < 4 || parts.size() > 5) {
            fail(
                "colonna non valida, attesa \"intestazione | campo | larghezza | allineamento [| formato]\"");
        }
        ReportLayout::Column c;
        c.caption = parts[0];
        c.field = parts[1];
        requireIdentifier(c.field, "campo");
        c.widthMm = positive(parts[2], "larghezza");
        const std::string align = lower(parts[3]);
        if (align == "left") {
            c.align = ReportLayout::Align::Left;
        } else if (align == "center") {
            c.align = ReportLayout::Align::Center;
        } else if (align == "right") {
            c.align = ReportLayout::Align::Right;
        } else {
            fail("allineamento sconosciuto \"" + parts[3] + "\"");
        }
        if (parts.size() == 5) {
            const std::string format = lower(parts[4]);
            if (format == "text") {
                c.format = ReportLayout::Format::Text;
            } else if (format == "date") {
                c.format = ReportLayout::Format::Date;
            } else if (format == "datetime") {
                c.format = ReportLayout::Format::DateTime;
            } else if (format == "yesno") {
                c.format = ReportLayout::Format::YesNo;
            } else {
                fail("formato sconosciuto \"" + parts[4] + "\"");
            }
        }
        m_layout.columns.push_back(c);
    }

    ReportLayout& m_layout;
    std::string m_file;
    int m_line = 0;
    std::set<std::string> m_seen;
};

} // namespace

ReportLayout ReportLayout::parse(const std::string& text, const std::string& fileName) {
    ReportLayout layout;
    LineParser parser(layout, fileName);
    std::istringstream in(text);
    std::string raw;
    int lineNo = 0;
    bool signed_ = false;
    while (std::getline(in, raw)) {
        ++lineNo;
        parser.setLine(lineNo);
        const std::string line = trim(raw);
        if (line.empty() || line[0] == '#') {
            continue;
        }
        if (!signed_) {
            if (words(line) != std::vector<std::string>{"sentinex-report", "1"}) {
                parser.fail("la prima riga deve essere \"sentinex-report 1\"");
            }
            signed_ = true;
            continue;
        }
        const auto eq = line.find('=');
        if (eq == std::string::npos) {
            parser.fail("manca \"=\"");
        }
        parser.apply(lower(trim(line.substr(0, eq))), trim(line.substr(eq + 1)));
    }
    parser.setLine(lineNo);
    if (!signed_) {
        parser.fail("file vuoto");
    }
    if (layout.table.empty()) {
        parser.fail("manca \"table\"");
    }
    if (layout.columns.empty()) {
        parser.fail("nessuna colonna");
    }
    double total = 0;
    for (const auto& c : layout.columns) {
        total += c.widthMm;
    }
    const double printable = layout.printedWidthMm() - layout.marginLeftMm - layout.marginRightMm;
    const double printableHeight = layout.printedHeightMm() - layout.marginTopMm - layout.marginBottomMm;
    if (printable <= 0 || printableHeight <= 0) {
        parser.fail("i margini non lasciano spazio sulla pagina");
    }
    if (total > printable + 0.01) {
        std::ostringstream what;
        what << "le colonne (" << total << " mm) superano la larghezza stampabile (" << printable << " mm)";
        parser.fail(what.str());
    }
    return layout;
}

ReportLayout ReportLayout::load(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw ReportError(ReportError::LayoutMissing, "File del report non trovato: " + path);
    }
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad()) {
        throw ReportError(ReportError::LayoutMissing, "File del report illeggibile: " + path);
    }
    const auto slash = path.find_last_of('/');
    return parse(text.str(), slash == std::string::npos ? path : path.substr(slash + 1));
}

std::string ReportLayout::expand(const std::string& text, const std::map<std::string, std::string>& values) {
    std::string out;
    std::string::size_type i = 0;
    while (i < text.size()) {
        const auto close = text[i] == '{' ? text.find('}', i) : std::string::npos;
        if (close != std::string::npos && isIdentifier(text.substr(i + 1, close - i - 1))) {
            const auto it = values.find(text.substr(i + 1, close - i - 1));
            if (it != values.end()) {
                out += it->second;
            }
            i = close + 1;
            continue;
        }
        out += text[i];
        ++i;
    }
    return out;
}

} // namespace sentinex
