#include "backend.h"

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

void WebEventLoop::exec()
{
    m_exiting = false;
    while (!m_exiting && !m_backend.quitting())
        m_backend.deliverNext();
}

}
