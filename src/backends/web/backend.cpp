#include "backend.h"

namespace webbackend {

WebBackend::WebBackend() = default;

WebBackend::~WebBackend() = default;

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

}
