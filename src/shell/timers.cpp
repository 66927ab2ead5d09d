#include "timers.h"

#include <algorithm>

namespace shell {

void WindowTimers::create(Backend& backend, const FormLayout& layout, Tick tick)
{
    m_tick = std::move(tick);
    m_timers.clear();
    for (std::size_t i = 0; i < layout.controls.size(); ++i) {
        if (layout.controls[i].kind == ControlKind::Timer)
            m_timers.push_back({ i, std::chrono::milliseconds(std::max(layout.controls[i].options.interval, 1)),
                nullptr });
    }
    // The timers are only created once the table stands, so that their callbacks can hold on to
    // their entries.
    for (Timer& timer : m_timers)
        timer.native = backend.createTimer([this, &timer] { elapsed(timer); });
}

void WindowTimers::start()
{
    m_awaitingPaint = false;
    for (Timer& timer : m_timers) {
        timer.held = {};
        timer.native->start(timer.interval);
    }
}

void WindowTimers::stop()
{
    m_awaitingPaint = false;
    for (Timer& timer : m_timers)
        timer.native->stop();
}

void WindowTimers::painted()
{
    if (!m_awaitingPaint)
        return;
    start();
}

// Held ticks are counted in intervals rather than read from a clock: each tick means that one
// more interval has passed, and the runtime's rules need no clock of their own.
void WindowTimers::elapsed(Timer& timer)
{
    if (m_awaitingPaint) {
        timer.held += timer.interval;
        if (timer.held < longestHold)
            return;
        timer.held = {};
    }
    m_tick(timer.control);
}

}
