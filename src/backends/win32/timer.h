#pragma once

#include "shell/backend.h"

#include <windows.h>

#include <functional>

namespace win32backend {

class Win32Backend;

// A repeating timer of the runtime's, as a window timer of the back end's message window: window
// timers also tick inside message boxes and every other modal loop, where a waitable timer would
// need a loop of the program's own. No tick comes before its interval has passed.
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
