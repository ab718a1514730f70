#pragma once

#include "ReaderRecord.hpp"
#include "ReaderValidation.hpp"
#include "readers/ReaderEntry.hpp"

#include <memory>
#include <string>
#include <vector>

namespace sentinex {

class Database;

/// The `Lettori` table as the reader configuration form keeps it: at most 64 readers in stored order,
/// where position k (1-based) is the k-th record and the k-th character of every user's `Lettore`.
/// Every engine error is raised as DatabaseError and leaves the tables as they were.
class ReaderStore {
public:
    static constexpr int Capacity = 64;
    static constexpr const char* FullText = "Massimo 64 lettori.";

    /// The window whose changes the operators' record names when none is given.
    static constexpr const char* DefaultWindow = "FrmConfLettori";

    /// `window` is the form whose changes the operators' record names.
    explicit ReaderStore(std::shared_ptr<Database> db, std::string window = DefaultWindow);

    int count();
    /// True when no further reader may be created.
    bool full() { return count() >= Capacity; }
    /// Every record in stored order.
    std::vector<ReaderRecord> all();
    /// The record at `position` (1-based). Throws std::out_of_range when there is none.
    ReaderRecord at(int position);
    /// The first `limit` records in stored order as polling uses them, read in one statement: numbers
    /// clamped into the entry's fields, `Stato` kept as stored and giving the direction.
    std::vector<ReaderEntry> entries(int limit);
    /// Loop and address of every record in stored order, for the uniqueness check.
    std::vector<ReaderValidation::Slot> loopAddresses();

    /// Add, update and remove each write their row of the operators' record ("Lettore creato",
    /// "Lettore modificato", "Lettore eliminato", keyed by the reader's position) in their transaction.

    /// Appends a reader; it takes the last position. Throws std::length_error when 64 are stored.
    void add(const ReaderRecord& record);
    /// Rewrites the reader at `position`. Throws std::out_of_range when there is none.
    void update(int position, const ReaderRecord& record);
    /// Deletes the reader at `position` and, in the same transaction, removes character `position` from
    /// every user's `Lettore` and appends "0", so each later reader's enable flag moves with its reader
    /// (which moves one position up) and every user keeps the doors it had. A `Lettore` shorter than
    /// `position` holds no flag for the reader and is left alone. Throws std::out_of_range when there is
    /// no such reader.
    void remove(int position);

private:
    std::int64_t keyAt(int position);

    std::shared_ptr<Database> m_db;
    std::string m_window;
};

} // namespace sentinex
