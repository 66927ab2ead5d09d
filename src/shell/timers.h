#pragma once

#include "backend.h"
#include "layout.h"

#include <chrono>
#include <functional>
#include <memory>
#include <vector>

namespace shell {

// The timers of one window, and the rule that ties them to what the window shows. They run from
// the load, each interval counted from the load or from the tick before it. A window may live for
// one interval only (the progress window, 10 ms), and what it shows must reach the screen all the
// same, however long the desktop takes to map and paint it: so once the window is shown, a tick
// that falls due before its first paint is held back, and its interval starts over from that
// paint. A paint within the interval, as when a window already on the screen is loaded again,
// costs no time at all. A window that is never painted (one covered entirely) still ticks: a
// tick held back for a second is let through.
class WindowTimers
{
public:
    using Tick = std::function<void(std::size_t control)>;

    // Creates the back end's timers for the layout's timer controls; `tick` runs for each tick
    // that the rule lets through, with the timer's index in the layout.
    void create(Backend& backend, const FormLayout& layout, Tick tick);

    // Every interval from now; throws RuntimeError when a timer cannot be armed.
    void start();
    void stop();
    // The window has just been shown: ticks wait for its first paint.
    void shown() { m_awaitingPaint = true; }
    // The window has been painted: the intervals of the ticks held back for it start over.
    void painted();
    bool awaitingPaint() const { return m_awaitingPaint; }

    static constexpr std::chrono::milliseconds longestHold { 1000 };

private:
    struct Timer
    {
        std::size_t control;
        std::chrono::milliseconds interval;
        std::unique_ptr<IntervalTimer> native;
        std::chrono::milliseconds held { 0 };
        bool pending = false; // a tick is being held back for the paint
    };

    void elapsed(Timer& timer);

    std::vector<Timer> m_timers;
    Tick m_tick;
    bool m_awaitingPaint = false;
};

}
