#include "conversions.h"

#include "errors.h"

#include <algorithm>
#include <limits>

namespace shell {

namespace {

    constexpr std::array<std::string_view, 12> italianMonths = { "gennaio", "febbraio", "marzo", "aprile",
        "maggio", "giugno", "luglio", "agosto", "settembre", "ottobre", "novembre", "dicembre" };

    constexpr std::string_view italianShortPattern = "dd/MM/yyyy";

    bool isDigit(char c)
    {
        return c >= '0' && c <= '9';
    }

    bool isSpace(char c)
    {
        return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
    }

    bool isSeparator(char c)
    {
        return isSpace(c) || c == '/' || c == '.' || c == '-';
    }

    char lower(char c)
    {
        return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
    }

    // Reads the next run of characters for which `accept` holds.
    std::string_view take(std::string_view& text, bool (*accept)(char))
    {
        std::size_t length = 0;
        while (length < text.size() && accept(text[length]))
            ++length;
        const std::string_view run = text.substr(0, length);
        text.remove_prefix(length);
        return run;
    }

    // The value of a run of 1 to `maxDigits` decimal digits, or -1.
    int number(std::string_view digits, std::size_t minDigits, std::size_t maxDigits)
    {
        if (digits.size() < minDigits || digits.size() > maxDigits)
            return -1;
        int value = 0;
        for (char c : digits) {
            if (!isDigit(c))
                return -1;
            value = value * 10 + (c - '0');
        }
        return value;
    }

    // The month's number from 1 to 12, or 0 when the text names no month.
    int monthNumber(std::string_view text)
    {
        if (const int month = number(text, 1, 2); month >= 0)
            return month >= 1 && month <= 12 ? month : 0;
        for (std::size_t i = 0; i < italianMonths.size(); ++i) {
            const std::string_view name = italianMonths[i];
            if (text.size() == name.size()
                && std::equal(
                    text.begin(), text.end(), name.begin(), [](char a, char b) { return lower(a) == b; }))
                return int(i) + 1;
        }
        return 0;
    }

    std::string twoDigits(unsigned value)
    {
        return { char('0' + value / 10 % 10), char('0' + value % 10) };
    }

}

std::optional<Date> parseDate(std::string_view text) noexcept
{
    take(text, isSpace);
    const int day = number(take(text, isDigit), 1, 2);
    if (take(text, isSeparator).empty())
        return std::nullopt;
    const int month = monthNumber(take(text, [](char c) { return !isSeparator(c); }));
    if (take(text, isSeparator).empty())
        return std::nullopt;
    const int year = number(take(text, isDigit), 4, 4);
    take(text, isSpace);
    if (!text.empty() || day < 0 || month == 0 || year < 0)
        return std::nullopt;
    const Date date { std::chrono::year(year), std::chrono::month(unsigned(month)),
        std::chrono::day(unsigned(day)) };
    if (!date.ok())
        return std::nullopt;
    return date;
}

Date dateFromText(std::string_view text)
{
    if (const std::optional<Date> date = parseDate(text))
        return *date;
    throw RuntimeError(error::TypeMismatch, std::string(text));
}

std::string dateToText(Date date, const DateFormat& format)
{
    const std::string_view pattern = format.shortPattern.empty() ? italianShortPattern : format.shortPattern;
    const unsigned day = unsigned(date.day());
    const unsigned month = unsigned(date.month());
    const int year = int(date.year());

    std::string text;
    for (std::size_t i = 0; i < pattern.size();) {
        const char c = pattern[i];
        if (c == '\'') {
            // Quoted literal text; two quotes stand for one.
            std::size_t end = i + 1;
            while (end < pattern.size()) {
                if (pattern[end] == '\'' && end + 1 < pattern.size() && pattern[end + 1] == '\'') {
                    text += '\'';
                    end += 2;
                    continue;
                }
                if (pattern[end] == '\'')
                    break;
                text += pattern[end++];
            }
            if (end == i + 1 && end < pattern.size())
                text += '\''; // '' outside a quote is a quote
            i = end + 1;
            continue;
        }
        std::size_t run = 1;
        while (i + run < pattern.size() && pattern[i + run] == c)
            ++run;
        switch (c) {
        case 'd':
            // The weekday names (ddd, dddd) make no sense in a short date; they are written as
            // the day's number too rather than dropped.
            text += run == 1 ? std::to_string(day) : twoDigits(day);
            break;
        case 'M':
            if (run >= 4)
                text += format.monthNames[month - 1];
            else if (run == 3)
                text += format.shortMonthNames[month - 1];
            else
                text += run == 1 ? std::to_string(month) : twoDigits(month);
            break;
        case 'y':
            // Short forms often carry a two-digit year; a date of birth reads better with all four,
            // and a year typed as "0999" keeps its leading zero.
            {
                const std::string digits = std::to_string(year);
                text += std::string(digits.size() < 4 ? 4 - digits.size() : 0, '0') + digits;
            }
            break;
        default:
            text.append(run, c);
            break;
        }
        i += run;
    }
    return text;
}

std::string integerToText(std::int16_t value)
{
    return std::to_string(value);
}

std::int16_t increment(std::int16_t value)
{
    if (value == std::numeric_limits<std::int16_t>::max())
        throw RuntimeError(error::Overflow);
    return std::int16_t(value + 1);
}

std::vector<std::string> numberRange(int first, int last)
{
    std::vector<std::string> numbers;
    for (int n = first; n <= last; ++n)
        numbers.push_back(std::to_string(n));
    return numbers;
}

}
