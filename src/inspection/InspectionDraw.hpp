#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace sentinex {

/// The draw of the random inspection over users and shifts already read from the tables: how many users
/// of each shift are eligible, and which users are marked. No storage here, so the rules can be checked
/// on plain lists.
class InspectionDraw {
public:
    /// One `Carte` record: its key, whether it takes part (`Flag_online` and `AbilitaCarta` both true)
    /// and its `NomeFascia`.
    struct User {
        std::int64_t key = 0;
        bool eligible = false;
        std::string shift;
    };
    /// One `Fasce` record: its key and its `Nome`.
    struct Shift {
        std::int64_t key = 0;
        std::string name;
    };

    /// The random source: seeded once by its owner, never reseeded per pick.
    using Random = std::mt19937_64;

    /// For every shift, in order, the number of eligible users whose shift name equals the shift's
    /// name (blanks at both ends ignored on both sides).
    static std::vector<int> countPerShift(const std::vector<User>& users, const std::vector<Shift>& shifts);

    /// Keys of the users to mark, shift by shift in order. A shift with at most `perShift` eligible users
    /// has all of them marked; a larger one has `perShift` distinct users picked uniformly among its
    /// eligible users not yet marked (a shift name given twice never marks a user twice and never asks
    /// for more users than are left). `perShift` of 0 or less marks nobody. Each key appears once.
    static std::vector<std::int64_t> draw(const std::vector<User>& users, const std::vector<Shift>& shifts,
                                          int perShift, Random& random);
};

} // namespace sentinex
