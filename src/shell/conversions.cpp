#include "conversions.h"

#include "errors.h"
#include "layout.h"

#include <QLocale>
#include <QRegularExpression>

#include <algorithm>
#include <array>
#include <limits>

namespace shell {

namespace {

    constexpr std::array<const char*, 12> italianMonths = { "gennaio", "febbraio", "marzo", "aprile",
        "maggio", "giugno", "luglio", "agosto", "settembre", "ottobre", "novembre", "dicembre" };

    // The month's number from 1 to 12, or 0 when the text names no month.
    int monthNumber(const QString& text)
    {
        static const QRegularExpression number(QStringLiteral("^[0-9]{1,2}$"));
        if (number.match(text).hasMatch()) {
            const int month = text.toInt();
            return month >= 1 && month <= 12 ? month : 0;
        }
        for (std::size_t i = 0; i < italianMonths.size(); ++i) {
            if (text.compare(QLatin1String(italianMonths[i]), Qt::CaseInsensitive) == 0)
                return int(i) + 1;
        }
        return 0;
    }

}

QDate dateFromText(const QString& text)
{
    static const QRegularExpression form(
        QStringLiteral("^\\s*([0-9]{1,2})[\\s/.-]+([^\\s/.-]+)[\\s/.-]+([0-9]{4})\\s*$"));
    const QRegularExpressionMatch match = form.match(text);
    if (match.hasMatch()) {
        const QDate date(
            match.captured(3).toInt(), monthNumber(match.captured(2)), match.captured(1).toInt());
        if (date.isValid())
            return date;
    }
    throw RuntimeError(error::TypeMismatch, text);
}

QString dateToText(QDate date)
{
    QString format = QLocale().dateFormat(QLocale::ShortFormat);
    // Short formats often carry a two-digit year; a date of birth reads better with all four.
    static const QRegularExpression shortYear(QStringLiteral("(?<!y)yy(?!y)"));
    format.replace(shortYear, QStringLiteral("yyyy"));
    return QLocale().toString(date, format);
}

QString integerToText(qint16 value)
{
    return QString::number(value);
}

qint16 increment(qint16 value)
{
    if (value == std::numeric_limits<qint16>::max())
        throw RuntimeError(error::Overflow);
    return qint16(value + 1);
}

QStringList numberRange(int first, int last)
{
    QStringList numbers;
    for (int n = first; n <= last; ++n)
        numbers.append(QString::number(n));
    return numbers;
}

}
