#include "LastRecordTime.hpp"

#include "store/Database.hpp"

#include <fstream>
#include <regex>

namespace sentinex {

namespace {

/// "yyyymmddHH:MM" for ordering, or empty when `text` is not "dd/mm/yyyy HH:MM".
std::string sortKey(const std::string& text) {
    static const std::regex shape(R"((\d\d)/(\d\d)/(\d{4}) (\d\d:\d\d))");
    std::smatch m;
    if (!std::regex_match(text, m, shape)) {
        return {};
    }
    return m[3].str() + m[2].str() + m[1].str() + m[4].str();
}

} // namespace

std::optional<std::string> LastRecordTime::later(const std::optional<std::string>& a,
                                                 const std::optional<std::string>& b) {
    const std::string ka = a ? sortKey(*a) : std::string();
    const std::string kb = b ? sortKey(*b) : std::string();
    if (ka.empty() && kb.empty()) {
        return std::nullopt;
    }
    return ka >= kb ? a : b;
}

std::optional<std::string> LastRecordTime::lastTextRecord(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    // A record line is under 100 bytes: the tail of the file holds the last ones whole.
    constexpr std::streamoff tail = 1024;
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    in.seekg(size > tail ? size - tail : 0);
    std::string text(static_cast<std::size_t>(size > tail ? tail : size), '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(in.gcount()));

    static const std::regex record(R"((\d\d/\d\d/\d{4}) (\d\d:\d\d) Passaggio [^\r\n]*"\r?\n)");
    std::optional<std::string> last;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), record); it != std::sregex_iterator();
         ++it) {
        last = (*it)[1].str() + " " + (*it)[2].str();
    }
    return last;
}

std::optional<std::string> LastRecordTime::find(Database& db, bool textHistory,
                                                const std::string& textHistoryPath) {
    std::optional<std::string> table;
    try {
        const auto rows = db.query("SELECT Data, Ora FROM transiti ORDER BY indice DESC LIMIT 1");
        if (!rows.empty()) {
            table = rows.front().at(0).toString() + " " + rows.front().at(1).toString().substr(0, 5);
        }
    } catch (const DatabaseError&) {
        // Only the note depends on it; the first card that needs the table reports it.
    }
    if (!textHistory) {
        return table;
    }
    return later(table, lastTextRecord(textHistoryPath));
}

} // namespace sentinex
