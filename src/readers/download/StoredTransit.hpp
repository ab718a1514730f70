#pragma once

#include <string>

namespace sentinex {

struct DateTime;

/// The fields of a stored-transit reply ("Z" at position 4): card number, hour, minute, day and month as
/// the reader sent them (two digits each, the card in four or three digits). The record carries no year:
/// `yearOf` supplies it.
struct StoredTransit {
    std::string card;
    std::string hour;
    std::string minute;
    std::string day;
    std::string month;

    /// Cuts the fields out of `reply` at their positions (card from position 5, then hour, minute, day,
    /// month). A short reply gives short or empty fields, never an error.
    static StoredTransit fromReply(const std::string& reply, bool fourDigit);

    /// The year of a record stamped `month`/`day` at `hour`:`minute`, read on `now`: this year when the
    /// stamp is at or before the present moment of the year (compared as two-digit texts, month/day then
    /// hour:minute), last year otherwise. A 29 February that does not exist in that year belongs to the
    /// latest earlier year in which it does.
    static int yearOf(const std::string& day, const std::string& month, const std::string& hour,
                      const std::string& minute, const DateTime& now);

    /// `NumeroCarta` as stored: the four digits, or "0" + the three digits.
    std::string cardNumber(bool fourDigit) const;
    /// `Data`: day/month/year by the year rule.
    std::string dateText(const DateTime& now) const;
    /// `Ora`: hour:minute.
    std::string timeText() const { return hour + ":" + minute; }
};

} // namespace sentinex
