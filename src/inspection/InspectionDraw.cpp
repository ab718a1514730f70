#include "InspectionDraw.hpp"

#include "core/Numbers.hpp"

#include <algorithm>
#include <unordered_map>

namespace sentinex {

namespace {

/// Positions (in `users`) of the eligible users, grouped by their trimmed shift name, in table order.
std::unordered_map<std::string, std::vector<std::size_t>>
eligibleByShift(const std::vector<InspectionDraw::User>& users) {
    std::unordered_map<std::string, std::vector<std::size_t>> groups;
    for (std::size_t i = 0; i < users.size(); ++i) {
        if (users[i].eligible) {
            groups[trim(users[i].shift)].push_back(i);
        }
    }
    return groups;
}

} // namespace

std::vector<int> InspectionDraw::countPerShift(const std::vector<User>& users,
                                               const std::vector<Shift>& shifts) {
    const auto groups = eligibleByShift(users);
    std::vector<int> counts;
    counts.reserve(shifts.size());
    for (const Shift& shift : shifts) {
        const auto it = groups.find(trim(shift.name));
        counts.push_back(it == groups.end() ? 0 : static_cast<int>(it->second.size()));
    }
    return counts;
}

std::vector<std::int64_t> InspectionDraw::draw(const std::vector<User>& users,
                                               const std::vector<Shift>& shifts, int perShift,
                                               Random& random) {
    std::vector<std::int64_t> marked;
    if (perShift <= 0) {
        return marked;
    }
    const auto groups = eligibleByShift(users);
    std::vector<bool> isMarked(users.size(), false);
    const auto mark = [&](std::size_t i) {
        isMarked[i] = true;
        marked.push_back(users[i].key);
    };
    for (const Shift& shift : shifts) {
        const auto it = groups.find(trim(shift.name));
        if (it == groups.end()) {
            continue;
        }
        // Users a shift of the same name has marked already are not picked again.
        std::vector<std::size_t> open;
        for (const std::size_t i : it->second) {
            if (!isMarked[i]) {
                open.push_back(i);
            }
        }
        if (it->second.size() <= static_cast<std::size_t>(perShift)) {
            for (const std::size_t i : open) {
                mark(i);
            }
            continue;
        }
        // Partial Fisher-Yates: every set of `take` distinct users is equally likely, and each pick
        // costs one draw, however few of the table's users belong to the shift.
        const std::size_t take = std::min(open.size(), static_cast<std::size_t>(perShift));
        for (std::size_t k = 0; k < take; ++k) {
            std::uniform_int_distribution<std::size_t> pick(k, open.size() - 1);
            std::swap(open[k], open[pick(random)]);
            mark(open[k]);
        }
    }
    return marked;
}

} // namespace sentinex
