#include "timers.h"

#include <algorithm>
#include <utility>

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
        timer.pending = false;
        timer.native->start(timer.interval);
    }
}

void WindowTimers::stop()
{
    m_awaitingPaint = false;
    for (Timer& timer : m_timers) {
        timer.pending = false;
        timer.native->stop();
    }
}

// A tick that fell due before the paint would take the window's first contents away the moment
// they reach the screen, where the window took longer to appear than its interval (a window mapped
// for the first time under Wine or a window manager): its interval starts over from the paint.
void WindowTimers::painted()
{
    if (!std::exchange(m_awaitingPaint, false))
        return;
    for (Timer& timer : m_timers) {
        timer.held = {};
        if (std::exchange(timer.pending, false))
            timer.native->start(timer.interval);
    }
}

// Held ticks are counted in intervals rather than read from a clock: each tick means that one
// more interval has passed, and the runtime's rules need no clock of their own.
void WindowTimers::elapsed(Timer& timer)
{
    if (m_awaitingPaint) {
        timer.held += timer.interval;
        timer.pending = timer.held < longestHold;
        if (timer.pending)
            return;
        timer.held = {};
    }
    m_tick(timer.control);
}

}
