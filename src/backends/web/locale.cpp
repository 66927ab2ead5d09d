#include "backend.h"

#include <emscripten.h>

#include <cstdlib>

namespace webbackend {

namespace {

    EM_JS(char*, pageDateText, (int what, int month), {
        const text = what === 0 ? Page.datePattern() : Page.monthName(month, what === 1 ? 'long' : 'short');
        const size = lengthBytesUTF8(text) + 1;
        const memory = _malloc(size);
        stringToUTF8(text, memory, size);
        return memory;
    });

    std::string dateText(int what, int month = 0)
    {
        char* text = pageDateText(what, month);
        std::string result(text);
        std::free(text);
        return result;
    }

}

// The browser's own language decides, as the desktop's locale does elsewhere: its short date
// pattern from Intl.DateTimeFormat, and its month names.
shell::DateFormat WebBackend::dateFormat() const
{
    shell::DateFormat format;
    format.shortPattern = dateText(0);
    for (int month = 0; month < 12; ++month) {
        format.monthNames[std::size_t(month)] = dateText(1, month);
        format.shortMonthNames[std::size_t(month)] = dateText(2, month);
    }
    return format;
}

}
