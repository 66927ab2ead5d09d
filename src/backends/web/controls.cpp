#include "backend.h"

#include <emscripten.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace webbackend {

namespace {

    // A text of the page handed to C++: UTF-8 in memory that the caller frees.
    EM_JS(char*, pageText, (int id, int index), {
        const text = Page.text(id, index);
        const size = lengthBytesUTF8(text) + 1;
        const memory = _malloc(size);
        stringToUTF8(text, memory, size);
        return memory;
    });
    EM_JS(void, setPageText, (int id, int index, const char* text), { Page.setText(id, index, UTF8ToString(text)); });
    EM_JS(void, resetPageControl,
        (int id, int index, const char* text, const char* items, bool enabled, bool locked, const char* colour), {
            const list = UTF8ToString(items);
            Page.reset(id, index, UTF8ToString(text), list ? list.split('\n') : [], enabled, locked,
                UTF8ToString(colour));
        });
    EM_JS(bool, pageEnabled, (int id, int index), { return !Page.control(id, index).control.disabled; });
    EM_JS(void, setPageEnabled, (int id, int index, bool enabled), { Page.setEnabled(id, index, enabled); });
    EM_JS(int, pageCheck, (int id, int index), {
        const input = Page.control(id, index).control;
        return input.indeterminate ? 2 : input.checked ? 1 : 0;
    });
    EM_JS(void, setPageCheck, (int id, int index, int state), {
        const input = Page.control(id, index).control;
        input.indeterminate = state === 2;
        input.checked = state === 1;
    });
    EM_JS(int, pageItemCount, (int id, int index), { return Page.items(id, index).length; });
    EM_JS(char*, pageItem, (int id, int index, int item), {
        const text = Page.items(id, index)[item];
        const size = lengthBytesUTF8(text) + 1;
        const memory = _malloc(size);
        stringToUTF8(text, memory, size);
        return memory;
    });
    EM_JS(void, addPageItem, (int id, int index, const char* item), { Page.addItem(id, index, UTF8ToString(item)); });
    EM_JS(void, focusPageControl, (int id, int index), {
        const control = Page.control(id, index).control;
        if (document.activeElement !== control)
            control.focus();
    });

    std::string taken(char* text)
    {
        std::string result(text);
        std::free(text);
        return result;
    }

}

WebControl::WebControl(int window, std::size_t index, const shell::ControlRecord& record)
    : m_window(window)
    , m_index(int(index))
    , m_record(record)
{
}

bool WebControl::hasText() const
{
    return !is(shell::ControlKind::Timer);
}

void WebControl::reset()
{
    std::string items;
    if (is(shell::ControlKind::ComboBox) && m_record.options.items) {
        for (const std::string& item : m_record.options.items())
            items += (items.empty() ? "" : "\n") + item;
    }
    resetPageControl(m_window, m_index, std::string(m_record.caption).c_str(), items.c_str(),
        !m_record.options.disabled, m_record.options.locked, cssColour(m_record.options.textColour));
}

std::string WebControl::text() const
{
    if (!hasText())
        return NativeControl::text();
    return taken(pageText(m_window, m_index));
}

void WebControl::setText(std::string_view text)
{
    if (!hasText())
        return NativeControl::setText(text);
    setPageText(m_window, m_index, std::string(text).c_str());
}

bool WebControl::isEnabled() const
{
    return pageEnabled(m_window, m_index);
}

void WebControl::setEnabled(bool enabled)
{
    setPageEnabled(m_window, m_index, enabled);
}

int WebControl::checkState() const
{
    if (!is(shell::ControlKind::OptionButton) && !is(shell::ControlKind::CheckBox))
        return NativeControl::checkState();
    return pageCheck(m_window, m_index);
}

void WebControl::setCheckState(int state)
{
    if (!is(shell::ControlKind::OptionButton) && !is(shell::ControlKind::CheckBox))
        return NativeControl::setCheckState(state);
    setPageCheck(m_window, m_index, is(shell::ControlKind::OptionButton) ? (state != 0 ? 1 : 0) : state);
}

std::size_t WebControl::itemCount() const
{
    if (!is(shell::ControlKind::ComboBox))
        return NativeControl::itemCount();
    return std::size_t(pageItemCount(m_window, m_index));
}

std::string WebControl::item(std::size_t index) const
{
    if (!is(shell::ControlKind::ComboBox) || index >= itemCount())
        return NativeControl::item(index);
    return taken(pageItem(m_window, m_index, int(index)));
}

void WebControl::addItem(std::string_view item)
{
    if (!is(shell::ControlKind::ComboBox))
        return NativeControl::addItem(item);
    addPageItem(m_window, m_index, std::string(item).c_str());
}

void WebControl::setFocus()
{
    if (is(shell::ControlKind::Label))
        return NativeControl::setFocus();
    focusPageControl(m_window, m_index);
}

}
