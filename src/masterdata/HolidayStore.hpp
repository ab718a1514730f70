#pragma once

#include "HolidayRecord.hpp"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace sentinex {

class Database;

/// The rows of the holiday calendar `Festivita`, in calendar order: by month and day, the yearly row
/// before the one dates of the same day, these by year. Engine errors are raised as DatabaseError.
class HolidayStore {
public:
    struct Stored {
        std::int64_t key = 0;
        HolidayRecord record;
        bool operator==(const Stored&) const = default;
    };

    /// The window whose changes the operators' record names when none is given.
    static constexpr const char* DefaultWindow = "FrmFestivita";

    /// `window` is the form whose changes the operators' record names. Add, change and remove each write
    /// their row ("Festività creata", "Festività modificata", "Festività eliminata") in one transaction
    /// with the change.
    explicit HolidayStore(Database& db, std::string window = DefaultWindow);

    /// Every row, in calendar order.
    std::vector<Stored> all() const;
    /// The key of a row whose `Data` is `data`, other than `except`; nothing when there is none.
    std::optional<std::int64_t> findDate(const std::string& data, std::optional<std::int64_t> except) const;
    /// Adds a row; returns its key.
    std::int64_t add(const HolidayRecord& record);
    /// Rewrites row `key`.
    void change(std::int64_t key, const HolidayRecord& record);
    /// Deletes row `key`.
    void remove(std::int64_t key);

private:
    Database& m_db;
    std::string m_window;
};

} // namespace sentinex
