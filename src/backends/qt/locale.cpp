#include "backend.h"

#include <QLocale>

namespace qtbackend {

shell::DateFormat QtBackend::dateFormat() const
{
    const QLocale locale;
    shell::DateFormat format;
    // The C and POSIX locales have no pattern of their own; the runtime then uses the Italian one.
    if (locale.language() != QLocale::C)
        format.shortPattern = locale.dateFormat(QLocale::ShortFormat).toStdString();
    for (int month = 1; month <= 12; ++month) {
        format.monthNames[std::size_t(month - 1)] = locale.monthName(month, QLocale::LongFormat).toStdString();
        format.shortMonthNames[std::size_t(month - 1)]
            = locale.monthName(month, QLocale::ShortFormat).toStdString();
    }
    return format;
}

}
