#pragma once

#include <QDate>
#include <QString>

namespace shell {

// Turns a date written as day, month and year into a date; error 13 (type mismatch) for any text
// that is no real calendar date.
//
// Accepted: a day of one or two digits, a month given by its Italian name (in any letter case) or
// by its number, and a year of four digits, in that order. They are separated by spaces, slashes,
// hyphens or full stops, in any number; leading and trailing spaces are ignored. So "15 Marzo 1985",
// "  15   marzo 1985 ", "15/03/1985" and "15-3-1985" are all the fifteenth of March 1985. Italian
// month names are accepted whatever the desktop's language, because they are what the birth-date
// window offers.
QDate dateFromText(const QString& text);

// The date in the user's locale's short form, with the year always in four digits: 15/03/1985 on
// an Italian desktop.
QString dateToText(QDate date);

// The decimal digits of a 16-bit integer, with a minus sign for negatives and no leading space.
QString integerToText(qint16 value);

// value + 1, or error 6 (overflow) past the 16-bit range.
qint16 increment(qint16 value);

}
