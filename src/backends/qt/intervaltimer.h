#pragma once

#include <QObject>

#include <functional>

class QSocketNotifier;
class QTimer;

namespace qtbackend {

// A repeating timer whose ticks come as soon as each interval has passed, never before. Qt's own
// timers wake the event loop on whole milliseconds only, rounded up, so that a 10 ms interval
// lasts 10.5 ms on average; the progress window, shown a hundred times in a row, would add that
// up to half a second. On Linux this timer waits on a timer descriptor instead, to the
// microsecond; where there is none to be had, Qt's timer stands in.
class IntervalTimer final : public QObject
{
public:
    IntervalTimer(int milliseconds, std::function<void()> elapsed, QObject* parent);
    ~IntervalTimer() override;

    // Starts the first interval now; a running timer starts over.
    void start();
    void stop();

private:
    void arm(int milliseconds);
    void expired();

    const int m_interval;
    const std::function<void()> m_elapsed;
    int m_descriptor = -1;
    QSocketNotifier* m_notifier = nullptr;
    QTimer* m_fallback = nullptr;
};

}
