#include "timer.h"

#include "backend.h"
#include "dpi.h"
#include "shell/errors.h"

#include <algorithm>

namespace win32backend {

namespace {

    UINT_PTR nextId = 1;

}

LONGLONG performanceFrequency()
{
    static const LONGLONG frequency = [] {
        LARGE_INTEGER value;
        QueryPerformanceFrequency(&value);
        return value.QuadPart;
    }();
    return frequency;
}

LONGLONG performanceCounter()
{
    LARGE_INTEGER value;
    QueryPerformanceCounter(&value);
    return value.QuadPart;
}

Timer::Timer(Win32Backend& backend, std::function<void()> elapsed)
    : m_backend(backend)
    , m_elapsed(std::move(elapsed))
    , m_id(nextId++)
{
    backend.add(this);
}

Timer::~Timer()
{
    stop();
    m_backend.remove(this);
}

// The program raises the system's timer resolution to 1 ms for its run (runApplication), so that
// a 10 ms interval is not stretched to the default 15.6 ms tick, and asks Windows not to coalesce
// the timers. A window timer may still come a fraction of a tick early: the performance counter
// tells, and the rest is waited out when it is a matter of a millisecond or two, or else the timer
// is set again for what remains (at least Windows' 10 ms minimum). Either way no tick comes before
// its interval has passed.
void Timer::start(std::chrono::milliseconds interval)
{
    m_interval = UINT(std::max<long long>(interval.count(), 1));
    m_due = performanceCounter() + LONGLONG(m_interval) * performanceFrequency() / 1000;
    m_shortened = false;
    set(m_interval);
    m_running = true;
}

void Timer::stop()
{
    if (std::exchange(m_running, false))
        KillTimer(m_backend.messageWindow(), m_id);
}

// A timer that Windows refuses would leave its window waiting for ever: a runtime error instead.
void Timer::set(UINT milliseconds)
{
    if (!setPreciseTimer(m_backend.messageWindow(), m_id, milliseconds))
        throw shell::RuntimeError(shell::error::Internal, "SetTimer");
}

void Timer::ticked()
{
    if (!m_running)
        return;
    const LONGLONG millisecond = performanceFrequency() / 1000;
    LONGLONG now = performanceCounter();
    if (m_due - now > 2 * millisecond) {
        set(UINT((m_due - now + millisecond - 1) / millisecond));
        m_shortened = true;
        return;
    }
    while (now < m_due) {
        Sleep(m_due - now > millisecond ? 1 : 0);
        now = performanceCounter();
    }
    // The next interval counts from this tick.
    m_due = now + LONGLONG(m_interval) * performanceFrequency() / 1000;
    if (std::exchange(m_shortened, false))
        set(m_interval);
    m_elapsed();
}

std::unique_ptr<shell::IntervalTimer> Win32Backend::createTimer(std::function<void()> elapsed)
{
    return std::make_unique<Timer>(*this, std::move(elapsed));
}

void Win32Backend::timerTicked(UINT_PTR id)
{
    const auto timer = std::find_if(m_timers.begin(), m_timers.end(), [&](Timer* t) { return t->id() == id; });
    if (timer != m_timers.end())
        (*timer)->ticked();
}

}
