#pragma once

#include "backend.h"
#include "layout.h"

#include <chrono>
#include <functional>
#include <memory>
#include <vector>

namespace shell {

// The timers of one window, and the rule that ties them to what the window shows. They run from
// the load. A window may live for one interval only (the progress window, 10 ms), and what it
// shows must reach the screen all the same, however long the desktop takes to map and paint it:
// so once the window is shown, ticks are held back until its first paint, and every interval
// starts over from that paint. A window that is never painted (one covered entirely) still
// ticks: a tick held back for a second is let through.
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
    // The window has been painted; the first paint after it was shown starts every interval over.
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
    };

    void elapsed(Timer& timer);

    std::vector<Timer> m_timers;
    Tick m_tick;
    bool m_awaitingPaint = false;
};

}
