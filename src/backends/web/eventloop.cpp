#include "webbackend.h"

#include <emscripten.h>

#include <exception>

namespace webbackend {

namespace {

    // The program's one wait: the C++ stack is suspended here until the page has an event, as a
    // Windows program waits in GetMessage. Nested modal Shows nest their waits, each a level of
    // C++ frames between main and this call.
    EM_ASYNC_JS(int, nextEvent, (), { return await Page.next(); });

    EM_JS(int, eventArgument, (int position), { return Page.current[position] | 0; });

}

WebBackend::WebBackend() = default;

WebBackend::~WebBackend() = default;

std::unique_ptr<shell::EventLoop> WebBackend::createEventLoop()
{
    return std::make_unique<WebEventLoop>(*this);
}

void WebBackend::post(std::function<void()> task)
{
    m_tasks.push_back(std::move(task));
}

int WebBackend::exec()
{
    while (!m_quitting)
        deliverNext();
    return m_status;
}

void WebBackend::quit(int status)
{
    if (m_quitting)
        return;
    m_quitting = true;
    m_status = status;
}

void WebBackend::deliverNext()
{
    if (!m_tasks.empty()) {
        const std::function<void()> task = std::move(m_tasks.front());
        m_tasks.pop_front();
        try {
            task();
        } catch (...) {
            shell::reportFailure(std::current_exception());
        }
        return;
    }
    const auto event = PageEvent(nextEvent());
    const int target = eventArgument(1);
    switch (event) {
    case PageEvent::Click:
    case PageEvent::Close:
    case PageEvent::Painted:
        if (target >= 0 && std::size_t(target) < m_windows.size() && m_windows[std::size_t(target)])
            m_windows[std::size_t(target)]->deliver(event, eventArgument(2));
        break;
    case PageEvent::Tick:
        if (target >= 0 && std::size_t(target) < m_timers.size() && m_timers[std::size_t(target)])
            m_timers[std::size_t(target)]->tick(eventArgument(2));
        break;
    case PageEvent::BoxDismissed:
        m_openBoxes.erase(target);
        break;
    }
}

void WebBackend::forget(const WebWindow& window, int id)
{
    if (std::size_t(id) < m_windows.size() && m_windows[std::size_t(id)] == &window)
        m_windows[std::size_t(id)] = nullptr;
}

void WebBackend::forget(const WebTimer& timer, int id)
{
    if (std::size_t(id) < m_timers.size() && m_timers[std::size_t(id)] == &timer)
        m_timers[std::size_t(id)] = nullptr;
}

std::unique_ptr<shell::NativeWindow> WebBackend::createWindow(const shell::FormLayout& layout,
    shell::WindowEvents& events)
{
    const int id = int(m_windows.size());
    auto window = std::make_unique<WebWindow>(*this, id, layout, events);
    m_windows.push_back(window.get());
    return window;
}

std::unique_ptr<shell::IntervalTimer> WebBackend::createTimer(std::function<void()> elapsed)
{
    const int id = int(m_timers.size());
    auto timer = std::make_unique<WebTimer>(*this, id, std::move(elapsed));
    m_timers.push_back(timer.get());
    return timer;
}

void WebEventLoop::exec()
{
    m_exiting = false;
    while (!m_exiting && !m_backend.quitting())
        m_backend.deliverNext();
}

}
