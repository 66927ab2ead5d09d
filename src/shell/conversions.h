#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace shell {

using Date = std::chrono::year_month_day;

// Turns a date written as day, month and year into a date, or nothing for any text that is no
// real calendar date.
//
// Accepted: a day of one or two digits, a month given by its Italian name (in any letter case) or
// by its number, and a year of four digits, in that order. They are separated by white space,
// slashes, hyphens or full stops, in any number; leading and trailing white space is ignored. So
// "15 Marzo 1985", "  15   marzo 1985 ", "15/03/1985" and "15-3-1985" are all the fifteenth of
// March 1985. Italian month names are accepted whatever the desktop's language, because they are
// what the birth-date window offers.
std::optional<Date> parseDate(std::string_view utf8) noexcept;

// The same, failing with error 13 (type mismatch) for text that is no date.
Date dateFromText(std::string_view utf8);

// How the user's locale writes a short date: a pattern in the notation that Qt and Windows share
// (d, dd, M, MM, MMM, MMMM, yy, yyyy, text in single quotes) and the month names it uses.
struct DateFormat
{
    // Empty where the locale has no pattern of its own (the C or POSIX locale).
    std::string shortPattern;
    std::array<std::string, 12> monthNames;
    std::array<std::string, 12> shortMonthNames;
};

// The date in the given short form, with the year always in four digits: 15/03/1985 on an Italian
// desktop. A locale without a pattern of its own gets the Italian one, to match the interface.
std::string dateToText(Date date, const DateFormat& format);

// The decimal digits of a 16-bit integer, with a minus sign for negatives and no leading space.
std::string integerToText(std::int16_t value);

// value + 1, or error 6 (overflow) past the 16-bit range.
std::int16_t increment(std::int16_t value);

// List items "first" to "last" as decimal numbers, for day and year pickers.
std::vector<std::string> numberRange(int first, int last);

}
