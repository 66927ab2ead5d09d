#pragma once

#include "shell/backend.h"

#include <windows.h>

#include <functional>

namespace win32backend {

class Win32Backend;

LONGLONG performanceCounter();
LONGLONG performanceFrequency();

// A repeating timer of the runtime's, as a window timer of the back end's message window: window
// timers also tick inside message boxes and every other modal loop, where a waitable timer would
// need a loop of the program's own. The program's own loops do not wait for the window timer's
// message, which Windows and Wine deliver a millisecond or two late: they wait for the due time
// itself (Win32Backend::deliverNext). No tick comes before its interval has passed.
class Timer final : public shell::IntervalTimer
{
public:
    Timer(Win32Backend& backend, std::function<void()> elapsed);
    ~Timer() override;
    Timer(const Timer&) = delete;
    Timer& operator=(const Timer&) = delete;

    void start(std::chrono::milliseconds interval) override;
    void stop() override;

    UINT_PTR id() const { return m_id; }
    // When the next tick is due, in performance counter ticks; 0 for a stopped timer.
    LONGLONG due() const { return m_running ? m_due : 0; }
    // The window timer's message, or the event loop that saw the due time come: either ticks,
    // unless it comes too early, and then the tick waits.
    void ticked();

private:
    void set(UINT milliseconds);

    Win32Backend& m_backend;
    const std::function<void()> m_elapsed;
    const UINT_PTR m_id;
    UINT m_interval = 0;
    bool m_running = false;
    LONGLONG m_due = 0; // in performance counter ticks
    bool m_shortened = false; // set for the rest of an interval that a tick came too early for
};

}
