#include "StoredTransit.hpp"

#include "core/Clock.hpp"
#include "core/Numbers.hpp"
#include "link/ReaderReply.hpp"

namespace sentinex {

namespace {

bool isLeap(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

} // namespace

StoredTransit StoredTransit::fromReply(const std::string& reply, bool fourDigit) {
    const std::size_t width = fourDigit ? 4 : 3;
    const std::size_t after = 5 + width;
    StoredTransit t;
    t.card = ReaderReply::mid(reply, 5, width);
    t.hour = ReaderReply::mid(reply, after, 2);
    t.minute = ReaderReply::mid(reply, after + 2, 2);
    t.day = ReaderReply::mid(reply, after + 4, 2);
    t.month = ReaderReply::mid(reply, after + 6, 2);
    return t;
}

int StoredTransit::yearOf(const std::string& day, const std::string& month, const std::string& hour,
                          const std::string& minute, const DateTime& now) {
    // Compared as texts, as the stamps are written: "MM/DD", then "HH:MM".
    const std::string recordDay = month + "/" + day;
    const std::string today = padLeftZeros(now.month, 2) + "/" + padLeftZeros(now.day, 2);
    int year = now.year;
    if (recordDay > today) {
        year = now.year - 1;
    } else if (recordDay == today) {
        const std::string nowTime = padLeftZeros(now.hour, 2) + ":" + padLeftZeros(now.minute, 2);
        if (nowTime < hour + ":" + minute) {
            year = now.year - 1;
        }
    }
    if (month == "02" && day == "29") {
        while (!isLeap(year)) {
            --year;
        }
    }
    return year;
}

std::string StoredTransit::cardNumber(bool fourDigit) const {
    return fourDigit ? card : "0" + card;
}

std::string StoredTransit::dateText(const DateTime& now) const {
    return day + "/" + month + "/" + std::to_string(yearOf(day, month, hour, minute, now));
}

} // namespace sentinex
