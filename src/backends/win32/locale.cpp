#include "backend.h"
#include "text.h"

namespace win32backend {

namespace {

    std::string localeInfo(LCTYPE type)
    {
        wchar_t buffer[128] = {};
        const int length = GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, type, buffer, 128);
        return length > 0 ? toUtf8(std::wstring_view(buffer, std::size_t(length - 1))) : std::string();
    }

}

shell::DateFormat Win32Backend::dateFormat() const
{
    shell::DateFormat format;
    format.shortPattern = localeInfo(LOCALE_SSHORTDATE);
    for (LCTYPE month = 0; month < 12; ++month) {
        format.monthNames[month] = localeInfo(LOCALE_SMONTHNAME1 + month);
        format.shortMonthNames[month] = localeInfo(LOCALE_SABBREVMONTHNAME1 + month);
    }
    return format;
}

}
