#include "AttendanceComputation.hpp"

#include "AttendancePairing.hpp"
#include "AttendanceWriter.hpp"

#include "store/Database.hpp"
#include "store/SqlStatement.hpp"
#include "store/Transaction.hpp"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <iterator>
#include <numeric>
#include <string>
#include <string_view>
#include <tuple>
#include <unordered_map>
#include <vector>

namespace sentinex {

namespace {

// A passage without a readable date and time cannot be timed: it is left out rather than paired, and
// named to the operator. One pass over temp reads both.
constexpr const char* kReadPassages =
    "SELECT Cognome, Nome, NumeroBadge, verso, dataora, Data, Ora FROM main.temp "
    "WHERE coalesce(passaggio, 0) <> 0 ORDER BY rowid";

/// A text field as the sort sees it: Null before every text.
struct SortText {
    bool present = false;
    std::string text;
    bool operator<(const SortText& o) const { return std::tie(present, text) < std::tie(o.present, o.text); }
    bool operator==(const SortText& o) const = default;
};

/// The engine's NOCASE: ASCII letters folded to lower case, every other byte as it is.
SortText folded(const Value& v) {
    SortText t{!v.isNull(), v.toString()};
    for (char& c : t.text) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return t;
}

/// Surname, first name and badge of the passages of one person, as copied; the texts as the pairing
/// reads them (the empty text for Null) are kept beside them so no passage makes them again.
struct Person {
    Value surname;
    Value firstName;
    Value badge;
    std::string surnameText;
    std::string firstNameText;
    std::string badgeText;
    std::uint32_t rank = 0; // place of the person in the pairing order; equal for names equal but for case
};

/// A column read in place, with its Null kept apart from the empty text.
Value columnValue(const SqlStatement& st, int i) {
    if (st.columnIsNull(i)) {
        return Value();
    }
    return Value(std::string(st.columnView(i)));
}

struct Passage {
    std::uint32_t rank;
    std::uint32_t person;
    std::uint32_t verso;
    std::uint32_t seq; // order in temp
    double dataora;
};

/// Appends one field to a person's key: Null or text, then the text's length, so that no two different
/// triples of fields give the same key.
void appendKeyPart(std::string& key, const SqlStatement& st, int i) {
    const std::string_view text = st.columnView(i);
    key += st.columnIsNull(i) ? 'N' : 'T';
    char digits[24];
    const auto [end, ec] = std::to_chars(std::begin(digits), std::end(digits), text.size());
    key.append(digits, end);
    key += ':';
    key += text;
}

/// Gives every person a rank in the order surname (NOCASE), first name (NOCASE), badge.
void rankPersons(std::vector<Person>& persons) {
    struct Key {
        SortText surname;
        SortText firstName;
        SortText badge;
        bool operator<(const Key& o) const {
            return std::tie(surname, firstName, badge) < std::tie(o.surname, o.firstName, o.badge);
        }
        bool operator==(const Key& o) const = default;
    };
    std::vector<Key> keys;
    keys.reserve(persons.size());
    for (const Person& p : persons) {
        keys.push_back(
            {folded(p.surname), folded(p.firstName), SortText{!p.badge.isNull(), p.badge.toString()}});
    }
    std::vector<std::uint32_t> order(persons.size());
    std::iota(order.begin(), order.end(), 0u);
    std::sort(order.begin(), order.end(),
              [&](std::uint32_t a, std::uint32_t b) { return keys[a] < keys[b]; });
    std::uint32_t rank = 0;
    for (std::size_t i = 0; i < order.size(); ++i) {
        if (i > 0 && !(keys[order[i - 1]] == keys[order[i]])) {
            ++rank;
        }
        persons[order[i]].rank = rank;
    }
}

} // namespace

AttendanceResult AttendanceComputation::run(Database& reportDb) {
    AttendanceResult result;
    Transaction tx(reportDb);
    reportDb.execute("DELETE FROM main.presenze");

    std::vector<Person> persons;
    std::unordered_map<std::string, std::uint32_t> personIds;
    std::vector<std::string> versos;
    std::unordered_map<std::string, std::uint32_t> versoIds;
    std::vector<Passage> passages;
    {
        SqlStatement read(reportDb.handle(), kReadPassages);
        std::string key;
        std::string verso;
        while (read.step()) {
            if (read.columnIsNull(4)) {
                result.unreadable.push_back({read.column(0).toString(), read.column(1).toString(),
                                             read.column(2).toString(), read.column(5).toString(),
                                             read.column(6).toString()});
                continue;
            }
            key.clear();
            appendKeyPart(key, read, 0);
            appendKeyPart(key, read, 1);
            appendKeyPart(key, read, 2);
            auto [person, newPerson] = personIds.try_emplace(key, static_cast<std::uint32_t>(persons.size()));
            if (newPerson) {
                Person p;
                p.surname = columnValue(read, 0);
                p.firstName = columnValue(read, 1);
                p.badge = columnValue(read, 2);
                p.surnameText = p.surname.toString();
                p.firstNameText = p.firstName.toString();
                p.badgeText = p.badge.toString();
                persons.push_back(std::move(p));
            }
            verso.assign(read.columnView(3));
            auto [v, newVerso] = versoIds.try_emplace(verso, static_cast<std::uint32_t>(versos.size()));
            if (newVerso) {
                versos.push_back(verso);
            }
            passages.push_back({0, person->second, v->second, static_cast<std::uint32_t>(passages.size()),
                                read.columnDouble(4)});
        }
    }
    rankPersons(persons);
    for (Passage& p : passages) {
        p.rank = persons[p.person].rank;
    }
    std::sort(passages.begin(), passages.end(), [](const Passage& a, const Passage& b) {
        return std::tie(a.rank, a.dataora, a.seq) < std::tie(b.rank, b.dataora, b.seq);
    });

    AttendanceWriter writer(reportDb);
    AttendancePairing pairing([&](const AttendanceRow& row) {
        writer.write(row);
        ++result.rows;
    });
    AttendanceTransit t;
    for (const Passage& p : passages) {
        const Person& person = persons[p.person];
        t.surname.assign(person.surnameText);
        t.firstName.assign(person.firstNameText);
        t.badge.assign(person.badgeText);
        t.verso.assign(versos[p.verso]);
        t.dataora = p.dataora;
        pairing.feed(t);
    }
    pairing.finish();
    result.turnstileFound = pairing.turnstileFound();
    tx.commit();
    return result;
}

std::string
AttendanceComputation::unreadableMessage(const std::vector<AttendanceResult::Unreadable>& unreadable) {
    if (unreadable.empty()) {
        return {};
    }
    std::string text = "Passaggi non considerati perché la data o l'ora non è leggibile: " +
                       std::to_string(unreadable.size()) + ".";
    const std::size_t named = std::min(unreadable.size(), kUnreadableNamed);
    for (std::size_t i = 0; i < named; ++i) {
        const AttendanceResult::Unreadable& u = unreadable[i];
        text += "\r\n" + u.surname + " " + u.firstName + ", badge " + u.badge + ": " + u.date + " " + u.time;
    }
    if (unreadable.size() > named) {
        text += "\r\ne altri " + std::to_string(unreadable.size() - named) + ".";
    }
    return text;
}

} // namespace sentinex
