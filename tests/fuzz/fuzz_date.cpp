// Feeds arbitrary bytes to the conversion of a typed date of birth and checks every answer against
// a second, deliberately plain reading of the same rules. The birth-date window trusts this
// conversion to refuse whatever the summary window could not show, so a text that it accepts must
// really be day, month and year in the accepted form, and that day must exist.

#include "conversions.h"
#include "errors.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string_view>
#include <vector>

namespace {

struct Ymd
{
    int year;
    int month;
    int day;
};

// The Gregorian calendar written out by hand rather than asked of <chrono>, so that a mistake the
// parser shares with the standard library's own checks still shows.
bool isLeapYear(int year)
{
    return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

int daysInMonth(int year, int month)
{
    constexpr std::array<int, 12> days = { 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31 };
    return month == 2 && isLeapYear(year) ? 29 : days[std::size_t(month - 1)];
}

// "Spaces" are the white space of the C locale; the other separators are slash, hyphen and full stop.
constexpr std::string_view blanks = " \t\n\v\f\r";
constexpr std::string_view separators = " \t\n\v\f\r/-.";

constexpr std::array<std::string_view, 12> monthNames = { "gennaio", "febbraio", "marzo", "aprile", "maggio",
    "giugno", "luglio", "agosto", "settembre", "ottobre", "novembre", "dicembre" };

// The value of a field made only of ASCII digits, between minLength and maxLength of them; or -1.
int digitsValue(std::string_view field, std::size_t minLength, std::size_t maxLength)
{
    if (field.size() < minLength || field.size() > maxLength)
        return -1;
    int value = 0;
    for (const char c : field) {
        if (c < '0' || c > '9')
            return -1;
        value = value * 10 + (c - '0');
    }
    return value;
}

// 1 to 12 for a month written as its number or as its Italian name in any ASCII letter case; else 0.
int monthOf(std::string_view field)
{
    if (const int number = digitsValue(field, 1, 2); number >= 0)
        return number >= 1 && number <= 12 ? number : 0;
    for (std::size_t i = 0; i < monthNames.size(); ++i) {
        const std::string_view name = monthNames[i];
        bool same = field.size() == name.size();
        for (std::size_t j = 0; same && j < name.size(); ++j) {
            const char c = field[j];
            same = (c >= 'A' && c <= 'Z' ? char(c + ('a' - 'A')) : c) == name[j];
        }
        if (same)
            return int(i) + 1;
    }
    return 0;
}

// The accepted form, read as fields rather than as a scan: blanks around the whole text are
// dropped; what remains neither starts nor ends with a separator and splits at runs of
// separators into exactly three fields: a day of one or two digits, a month, a year of four digits.
std::optional<Ymd> readDate(std::string_view text)
{
    const std::size_t first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos)
        return std::nullopt;
    text = text.substr(first, text.find_last_not_of(blanks) - first + 1);
    if (separators.find(text.front()) != std::string_view::npos
        || separators.find(text.back()) != std::string_view::npos)
        return std::nullopt;

    std::vector<std::string_view> fields;
    for (std::size_t start = 0; start != std::string_view::npos;) {
        const std::size_t end = std::min(text.find_first_of(separators, start), text.size());
        fields.push_back(text.substr(start, end - start));
        start = text.find_first_not_of(separators, end);
    }
    if (fields.size() != 3)
        return std::nullopt;

    const Ymd date { digitsValue(fields[2], 4, 4), monthOf(fields[1]), digitsValue(fields[0], 1, 2) };
    if (date.year < 0 || date.month == 0 || date.day < 1 || date.day > daysInMonth(date.year, date.month))
        return std::nullopt;
    return date;
}

[[noreturn]] void fail(const char* what, std::string_view text)
{
    std::fprintf(stderr, "fuzz_date: %s for the text \"", what);
    for (const unsigned char c : text) {
        if (c >= 0x20 && c < 0x7f && c != '"' && c != '\\')
            std::fputc(c, stderr);
        else
            std::fprintf(stderr, "\\x%02x", c);
    }
    std::fprintf(stderr, "\"\n");
    std::abort();
}

bool same(const shell::Date& date, const Ymd& expected)
{
    return int(date.year()) == expected.year && unsigned(date.month()) == unsigned(expected.month)
        && unsigned(date.day()) == unsigned(expected.day);
}

}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::optional<Ymd> expected = readDate(text);
    const std::optional<shell::Date> parsed = shell::parseDate(text);

    if (parsed && !expected)
        fail("parseDate accepted what is no date", text);
    if (!parsed && expected)
        fail("parseDate refused a real date", text);
    if (parsed && !same(*parsed, *expected))
        fail("parseDate read another date", text);

    // Any exception other than the type mismatch escapes and ends the run as a crash.
    try {
        const shell::Date date = shell::dateFromText(text);
        if (!parsed || date != *parsed)
            fail("dateFromText and parseDate disagree", text);
    } catch (const shell::RuntimeError& error) {
        if (parsed)
            fail("dateFromText refused what parseDate accepted", text);
        if (error.number() != shell::error::TypeMismatch)
            fail("dateFromText failed with another error than 13", text);
    }
    return 0;
}
