#include "backend.h"

#include "shell/errors.h"

#include <emscripten.h>

#include <string>

namespace webbackend {

namespace {

    EM_JS(void, createPageWindow,
        (int id, const char* caption, int width, int height, const char* background, bool noDrop), {
            Page.createWindow(id, UTF8ToString(caption), width, height, UTF8ToString(background), noDrop);
        });
    EM_JS(void, destroyPageWindow, (int id), { Page.destroyWindow(id); });
    EM_JS(void, createPageControl, (int id, int index, int kind, int left, int top, int width, int height),
        { Page.createControl(id, index, kind, left, top, width, height); });
    EM_JS(void, setPageLabelFor, (int id, int label, int control), { Page.setLabelFor(id, label, control); });
    EM_JS(void, setPageTabOrder, (int id, const int* indices, int count), {
        Page.setTabOrder(id, Array.from(HEAP32.subarray(indices >> 2, (indices >> 2) + count)));
    });
    EM_JS(void, placePageWindow, (int id, int left, int top), { Page.place(id, left, top); });
    EM_JS(void, showPageWindow, (int id, bool modal, int showing), { Page.show(id, modal, showing); });
    EM_JS(void, hidePageWindow, (int id), { Page.hideWindow(id); });

}

// The colours that a layout may name follow the user's colour scheme, as CSS system colours.
const char* cssColour(shell::SystemColour colour)
{
    switch (colour) {
    case shell::SystemColour::WindowText:
        return "CanvasText";
    case shell::SystemColour::ToolTipText:
        return "InfoText";
    case shell::SystemColour::Default:
        break;
    }
    return "";
}

WebWindow::WebWindow(WebBackend& backend, int id, const shell::FormLayout& layout, shell::WindowEvents& events)
    : m_backend(backend)
    , m_id(id)
    , m_layout(layout)
    , m_events(events)
    , m_controls(layout.controls.size())
{
    // CSS pixels are the screen pixels of a 96 dpi desktop, where 15 twips make a pixel.
    createPageWindow(id, std::string(layout.caption).c_str(), shell::pixels(layout.width),
        shell::pixels(layout.height), cssColour(layout.background), layout.pointer == shell::Pointer::NoDrop);
    if (layout.iconArt)
        setPageIcon(*layout.iconArt);
    place();
}

WebWindow::~WebWindow()
{
    destroyPageWindow(m_id);
    m_backend.forget(*this, m_id);
}

shell::NativeControl& WebWindow::createControl(std::size_t index)
{
    if (index >= m_controls.size() || m_layout.controls[index].kind == shell::ControlKind::Timer)
        throw shell::RuntimeError(shell::error::Internal, "no control at index " + std::to_string(index));
    const shell::ControlRecord& record = m_layout.controls[index];
    createPageControl(m_id, int(index), int(record.kind), shell::pixels(record.left), shell::pixels(record.top),
        shell::pixels(record.width), shell::pixels(record.height));
    m_controls[index] = std::make_unique<WebControl>(m_id, index, record);

    // Tab moves by the layout's tab order among the controls that exist.
    std::vector<int> order;
    for (std::size_t control : shell::tabOrder(m_layout)) {
        if (m_controls[control])
            order.push_back(int(control));
    }
    setPageTabOrder(m_id, order.data(), int(order.size()));
    return *m_controls[index];
}

void WebWindow::setLabelFor(std::size_t label, std::size_t control)
{
    if (label < m_controls.size() && control < m_controls.size() && m_controls[label] && m_controls[control])
        setPageLabelFor(m_id, int(label), int(control));
}

void WebWindow::place()
{
    placePageWindow(m_id, shell::pixels(m_layout.left), shell::pixels(m_layout.top));
}

void WebWindow::show(bool modal)
{
    showPageWindow(m_id, modal, ++m_showing);
}

void WebWindow::hide()
{
    hidePageWindow(m_id);
}

void WebWindow::deliver(PageEvent event, int argument)
{
    switch (event) {
    case PageEvent::Click:
        if (argument >= 0 && std::size_t(argument) < m_controls.size() && m_controls[std::size_t(argument)])
            m_events.clicked(std::size_t(argument));
        break;
    case PageEvent::Close:
        m_events.closeRequested();
        break;
    case PageEvent::Painted:
        // Only the latest showing counts: an older one's paint says nothing of what is shown now.
        if (argument == m_showing)
            m_events.painted();
        break;
    default:
        break;
    }
}

}
