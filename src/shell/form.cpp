#include "form.h"

#include "runtime.h"

namespace shell {

Form::Form(const FormLayout& layout)
    : m_layout(layout)
    , m_controls(layout.controls.size(), nullptr)
    , m_procedures(layout.controls.size())
    , m_running(layout.controls.size(), 0)
{
}

Form::~Form() = default;

std::size_t Form::controlSlot(std::string_view name, ControlKind kind)
{
    Runtime::current().load(*this);
    const int index = shell::controlIndex(m_layout, name);
    if (index < 0 || !m_loaded)
        throw RuntimeError(error::NoSuchControl, std::string(name));
    if (!m_controls[std::size_t(index)] || m_layout.controls[std::size_t(index)].kind != kind)
        throw RuntimeError(error::NoSuchMember, std::string(name));
    return std::size_t(index);
}

NativeControl& Form::liveControl(std::size_t index, unsigned load) const
{
    if (!m_loaded || load != m_loads)
        throw RuntimeError(error::ObjectUnloaded, std::string(m_layout.controls[index].name));
    return *m_controls[index];
}

void Form::prepareLoad(Backend& backend)
{
    if (!m_window)
        build(backend);
    for (NativeControl* control : m_controls) {
        if (control)
            control->reset();
    }
    if (!m_onScreen)
        m_window->place();
    m_timers.start();
    m_loaded = true;
    ++m_loads;
}

// The window and its controls are made once. Everything is built aside and kept only once it all
// stands, so that a failure halfway leaves the form as if it had never been loaded.
void Form::build(Backend& backend)
{
    if (!m_eventsBound) {
        EventBinder binder(*this);
        bindEvents(binder);
        m_eventsBound = true;
    }
    std::unique_ptr<NativeWindow> window = backend.createWindow(m_layout, *this);
    std::vector<NativeControl*> controls(m_layout.controls.size(), nullptr);
    for (std::size_t index : creationOrder(m_layout))
        controls[index] = &window->createControl(index);
    for (std::size_t i = 0; i < m_layout.controls.size(); ++i) {
        const std::string_view buddy = m_layout.controls[i].options.buddy;
        const int target = buddy.empty() ? -1 : shell::controlIndex(m_layout, buddy);
        if (target >= 0 && controls[i] && controls[std::size_t(target)])
            window->setLabelFor(i, std::size_t(target));
    }
    m_timers.create(backend, m_layout, [this](std::size_t control) { deliver(control); });
    m_window = std::move(window);
    m_controls = std::move(controls);
}

void Form::endLoad()
{
    m_loaded = false;
    m_shown = false;
    m_timers.stop();
}

// The focus goes to the first control in tab order that can take it; labels never do and a
// disabled control is passed over.
void Form::focusFirst()
{
    for (std::size_t index : tabOrder(m_layout)) {
        if (m_controls[index] && m_controls[index]->isEnabled()) {
            m_controls[index]->setFocus();
            return;
        }
    }
}

void Form::clicked(std::size_t control)
{
    deliver(control);
}

// A close request from the desktop (Alt+F4, the window manager) unloads the window just as
// Unload does; a window already unloaded, still on the screen for a moment, ignores it.
void Form::closeRequested()
{
    if (m_loaded)
        Runtime::current().call([this] { Runtime::current().unload(*this); });
}

void Form::painted()
{
    if (m_loaded && m_shown && m_timers.awaitingPaint())
        Runtime::current().call([this] { m_timers.painted(); });
}

// An event procedure is never entered again while it is still running (for instance while it
// waits in a message box and its timer ticks on), and events reach only a loaded window.
void Form::deliver(std::size_t control) noexcept
{
    if (!m_loaded || control >= m_procedures.size() || !m_procedures[control] || m_running[control])
        return;
    m_running[control] = 1;
    // The procedure is copied: the event boundary must not depend on the table staying put.
    const Procedure procedure = m_procedures[control];
    Runtime::current().call(procedure);
    m_running[control] = 0;
}

void EventBinder::attach(std::string_view control, ControlKind kind, Procedure procedure)
{
    const int index = controlIndex(m_form.m_layout, control);
    if (index < 0 || m_form.m_layout.controls[std::size_t(index)].kind != kind)
        throw RuntimeError(error::NoSuchControl, std::string(control));
    m_form.m_procedures[std::size_t(index)] = std::move(procedure);
}

void EventBinder::click(std::string_view control, Procedure procedure)
{
    attach(control, ControlKind::CommandButton, std::move(procedure));
}

void EventBinder::timer(std::string_view control, Procedure procedure)
{
    attach(control, ControlKind::Timer, std::move(procedure));
}

}
