#include "AuditLog.hpp"

#include "Database.hpp"

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <pwd.h>
#include <unistd.h>

namespace sentinex {

namespace {

/// The value of field `name` in `fields`, or nothing.
const std::string* valueOf(const AuditLog::Fields& fields, const std::string& name) {
    for (const auto& [field, value] : fields) {
        if (field == name) {
            return &value;
        }
    }
    return nullptr;
}

} // namespace

const char* AuditLog::tableSql() {
    return "CREATE TABLE IF NOT EXISTS Registro (\n"
           "    Quando   TEXT NOT NULL DEFAULT '',\n"
           "    Utente   TEXT NOT NULL DEFAULT '',\n"
           "    Finestra TEXT NOT NULL DEFAULT '',\n"
           "    Azione   TEXT NOT NULL DEFAULT '',\n"
           "    Chiave   TEXT NOT NULL DEFAULT '',\n"
           "    Prima    TEXT NOT NULL DEFAULT '',\n"
           "    Dopo     TEXT NOT NULL DEFAULT ''\n"
           ");\n";
}

void AuditLog::write(Database& db, const AuditEntry& entry, const std::string& schema) {
    writeAt(db, entry, now(), operatingSystemUser(), schema);
}

void AuditLog::writeAt(Database& db, const AuditEntry& entry, const std::string& when,
                       const std::string& user, const std::string& schema) {
    // `schema` is this program's own name for an attached file, never typed text.
    db.execute(
        "INSERT INTO " + schema +
            ".Registro (Quando, Utente, Finestra, Azione, Chiave, Prima, Dopo) VALUES (?, ?, ?, ?, ?, ?, ?)",
        {when, user, entry.window, entry.action, entry.key, entry.before, entry.after});
}

AuditLog::Fields AuditLog::rowFields(Database& db, const std::string& table, std::int64_t key) {
    Fields fields;
    const auto rows = db.query("SELECT * FROM " + table + " WHERE rowid = ?", {key});
    if (rows.empty()) {
        return fields;
    }
    const std::vector<std::string> names = db.columns(table);
    for (std::size_t i = 0; i < names.size() && i < rows.front().size(); ++i) {
        fields.emplace_back(names[i], rows.front()[i].toString());
    }
    return fields;
}

std::string AuditLog::text(const Fields& fields) {
    std::string out;
    for (const auto& [field, value] : fields) {
        if (!out.empty()) {
            out += '\n';
        }
        out += field + "=" + value;
    }
    return out;
}

std::pair<std::string, std::string> AuditLog::difference(const Fields& before, const Fields& after) {
    if (before.empty() || after.empty()) {
        return {text(before), text(after)};
    }
    Fields was;
    Fields is;
    for (const auto& [field, value] : after) {
        const std::string* old = valueOf(before, field);
        if (!old || *old != value) {
            was.emplace_back(field, old ? *old : std::string());
            is.emplace_back(field, value);
        }
    }
    return {text(was), text(is)};
}

std::string AuditLog::operatingSystemUser() {
    if (const passwd* pw = getpwuid(geteuid()); pw && pw->pw_name && *pw->pw_name) {
        return pw->pw_name;
    }
    if (const char* user = std::getenv("USER"); user && *user) {
        return user;
    }
    return std::to_string(geteuid());
}

std::string AuditLog::now() {
    const std::time_t t = std::time(nullptr);
    std::tm local{};
    localtime_r(&t, &local);
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%02d/%02d/%04d %02d:%02d:%02d", local.tm_mday, local.tm_mon + 1,
                  local.tm_year + 1900, local.tm_hour, local.tm_min, local.tm_sec);
    return buffer;
}

} // namespace sentinex
