#include "ReportData.hpp"

#include "ReportError.hpp"

#include "history/CalendarDate.hpp"
#include "store/Database.hpp"
#include "store/SqlStatement.hpp"

#include <algorithm>
#include <cctype>

namespace sentinex {

namespace {

bool sameName(const std::string& a, const std::string& b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(),
                      [](unsigned char x, unsigned char y) { return std::tolower(x) == std::tolower(y); });
}

void requireField(const std::vector<std::string>& fields, const std::string& field,
                  const std::string& table) {
    // rowid is every table's insertion order, the order the history and attendance were written in.
    if (sameName(field, "rowid")) {
        return;
    }
    if (std::none_of(fields.begin(), fields.end(),
                     [&](const std::string& f) { return sameName(f, field); })) {
        throw ReportError(ReportError::LayoutInvalid,
                          "Il campo \"" + field + "\" del report non è presente nella tabella " + table);
    }
}

std::string cellText(const Value& v, ReportLayout::Format format) {
    if (v.isNull()) {
        return {};
    }
    switch (format) {
    case ReportLayout::Format::Text:
        return v.toString();
    case ReportLayout::Format::YesNo:
        return v.toBool() ? "Sì" : "No";
    case ReportLayout::Format::Date:
    case ReportLayout::Format::DateTime: {
        if (v.isText()) {
            return v.toString(); // already a date text
        }
        long long second = 0;
        const CalendarDate date = CalendarDate::fromDayNumber(v.toDouble(), &second);
        return format == ReportLayout::Format::Date ? date.text()
                                                    : date.text() + " " + CalendarDate::timeText(second);
    }
    }
    return v.toString();
}

} // namespace

std::vector<ReportData::Row> ReportData::read(const ReportLayout& layout, Database& db) {
    std::vector<Row> rows;
    try {
        if (!db.hasRelation(layout.table)) {
            throw ReportError(ReportError::DatabaseUnreadable,
                              "La tabella " + layout.table + " non è presente nel database " + db.path());
        }
        const auto fields = db.columns(layout.table);
        // Names come from the layout and are checked as plain identifiers there and as fields here, so
        // quoting them is enough: nothing typed at run time reaches the statement.
        std::string sql = "SELECT ";
        for (std::size_t i = 0; i < layout.columns.size(); ++i) {
            requireField(fields, layout.columns[i].field, layout.table);
            sql += (i ? ", \"" : "\"") + layout.columns[i].field + "\"";
        }
        sql += " FROM main.\"" + layout.table + "\"";
        for (std::size_t i = 0; i < layout.order.size(); ++i) {
            const auto& key = layout.order[i];
            requireField(fields, key.field, layout.table);
            sql += i ? ", " : " ORDER BY ";
            sql += sameName(key.field, "rowid") ? std::string("rowid") : "\"" + key.field + "\"";
            sql += key.noCase ? " COLLATE NOCASE" : "";
            sql += key.descending ? " DESC" : "";
        }
        SqlStatement select(db.handle(), sql);
        while (select.step()) {
            Row row;
            row.reserve(layout.columns.size());
            for (std::size_t i = 0; i < layout.columns.size(); ++i) {
                row.push_back(cellText(select.column(static_cast<int>(i)), layout.columns[i].format));
            }
            rows.push_back(std::move(row));
        }
    } catch (const DatabaseError& e) {
        throw ReportError(ReportError::DatabaseUnreadable,
                          "Impossibile leggere il database " + db.path() + ": " + e.what());
    }
    return rows;
}

std::vector<ReportData::Row> ReportData::read(const ReportLayout& layout, const std::string& path) {
    std::shared_ptr<Database> db;
    try {
        // Not as the main database: opening only reads and must not change the file's journal.
        db = Database::open(path, false);
    } catch (const DatabaseError& e) {
        throw ReportError(ReportError::DatabaseUnreadable,
                          "Impossibile aprire il database " + path + ": " + e.what());
    }
    return read(layout, *db);
}

std::int64_t ReportData::countRecords(Database& db, const std::string& table) {
    return db.query("SELECT count(*) FROM main.\"" + table + "\"")[0][0].toInt();
}

} // namespace sentinex
