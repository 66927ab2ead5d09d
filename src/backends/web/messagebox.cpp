#include "backend.h"

#include <emscripten.h>

#include <string>

namespace webbackend {

namespace {

    EM_JS(void, openPageBox, (int number, const char* prompt, const char* title, const char* icon),
        { Page.openBox(number, UTF8ToString(prompt), UTF8ToString(title), UTF8ToString(icon)); });
    EM_JS(void, closePageBox, (int number), { Page.closeBox(number); });

}

// The box is modal in the page: it waits where every other wait of the program does, delivering
// the page's events (timer ticks go on) until it is dismissed or the program ends.
void WebBackend::messageBox(std::string_view prompt, shell::MsgStyle style, std::string_view title)
{
    const int number = ++m_boxes;
    m_openBoxes.insert(number);
    openPageBox(number, std::string(prompt).c_str(), std::string(title).c_str(), messageIcon(style).c_str());
    while (m_openBoxes.count(number) && !m_quitting)
        deliverNext();
    if (m_openBoxes.erase(number))
        closePageBox(number);
}

void WebBackend::closeAll()
{
    for (int number : m_openBoxes)
        closePageBox(number);
    m_openBoxes.clear();
}

}
