#pragma once

#include "shell/backend.h"

#include <QObject>

#include <chrono>
#include <functional>

class QSocketNotifier;
class QTimer;

namespace qtbackend {

// A repeating timer whose ticks come as soon as each interval has passed, never before. Qt's own
// timers wake the event loop on whole milliseconds only, rounded up, so that a 10 ms interval
// lasts 10.5 ms on average; the progress window, shown a hundred times in a row, would add that
// up to half a second. On Linux this timer waits on a timer descriptor instead, to the
// microsecond; where there is none to be had, Qt's timer stands in.
//
// Even so, a sleeping thread wakes some tens of microseconds after its time, and more on a
// virtual machine: a hundred ticks in a row would add up to a hundredth of a second. The
// descriptor therefore fires a fraction of a millisecond early, and the timer waits out the
// rest of the interval itself.
class Timer final : public QObject, public shell::IntervalTimer
{
public:
    explicit Timer(std::function<void()> elapsed);
    ~Timer() override;

    void start(std::chrono::milliseconds interval) override;
    void stop() override;

    // For the back end's tests: the descriptor the timer waits on, or -1 where Qt's timer stands in.
    int descriptor() const { return m_descriptor; }

private:
    void armAt(std::chrono::steady_clock::time_point wake);
    void expired();

    std::chrono::steady_clock::duration lead() const;

    const std::function<void()> m_elapsed;
    int m_descriptor = -1;
    QSocketNotifier* m_notifier = nullptr;
    QTimer* m_fallback = nullptr;
    std::chrono::steady_clock::duration m_interval {}; // zero while stopped
    std::chrono::steady_clock::time_point m_due;
};

}
