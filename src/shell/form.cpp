#include "form.h"

#include "runtime.h"

namespace shell {

Form::Form(const FormLayout& layout)
    : m_layout(layout)
    , m_procedures(layout.controls.size())
    , m_running(layout.controls.size(), 0)
{
}

Form::~Form() = default;

NativeControl& Form::nativeControl(std::string_view name, ControlKind kind)
{
    Runtime::current().load(*this);
    const int index = controlIndex(m_layout, name);
    if (index < 0 || !m_window)
        throw RuntimeError(error::NoSuchControl, std::string(name));
    NativeControl* native = m_window->control(std::size_t(index));
    if (!native || m_layout.controls[std::size_t(index)].kind != kind)
        throw RuntimeError(error::NoSuchMember, std::string(name));
    return *native;
}

void Form::createWindow(Backend& backend)
{
    if (!m_eventsBound) {
        EventBinder binder(*this);
        bindEvents(binder);
        m_eventsBound = true;
    }
    m_window = backend.createWindow(m_layout, *this);
}

std::unique_ptr<NativeWindow> Form::releaseWindow()
{
    return std::move(m_window);
}

void Form::clicked(std::size_t control) noexcept
{
    deliver(control);
}

void Form::timerElapsed(std::size_t control) noexcept
{
    deliver(control);
}

// A close request from the desktop (Alt+F4, the window manager) unloads the window just as
// Unload does.
void Form::closeRequested() noexcept
{
    Runtime::current().call([this] { Runtime::current().unload(*this); });
}

// An event procedure is never entered again while it is still running (for instance while it
// waits in a message box and its timer ticks on), and events reach only a loaded window.
void Form::deliver(std::size_t control) noexcept
{
    if (!m_window || control >= m_procedures.size() || !m_procedures[control] || m_running[control])
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
