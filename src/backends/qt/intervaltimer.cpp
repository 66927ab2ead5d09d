#include "intervaltimer.h"

#include <QSocketNotifier>
#include <QTimer>

#include <cstdint>

#include <sys/prctl.h>
#include <sys/timerfd.h>
#include <unistd.h>

namespace qtbackend {

IntervalTimer::IntervalTimer(int milliseconds, std::function<void()> elapsed, QObject* parent)
    : QObject(parent)
    , m_interval(milliseconds)
    , m_elapsed(std::move(elapsed))
    , m_descriptor(timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC))
{
    if (m_descriptor >= 0) {
        // The kernel lets the timers of a sleeping thread expire up to 50 µs late by default, to
        // wake it less often; these ticks are few and should come on time.
        prctl(PR_SET_TIMERSLACK, 1UL);
        m_notifier = new QSocketNotifier(m_descriptor, QSocketNotifier::Read, this);
        connect(m_notifier, &QSocketNotifier::activated, this, &IntervalTimer::expired);
    } else {
        m_fallback = new QTimer(this);
        m_fallback->setTimerType(Qt::PreciseTimer);
        m_fallback->setInterval(m_interval);
        connect(m_fallback, &QTimer::timeout, this, [this] { m_elapsed(); });
    }
}

IntervalTimer::~IntervalTimer()
{
    if (m_descriptor >= 0) {
        delete m_notifier;
        close(m_descriptor);
    }
}

void IntervalTimer::start()
{
    arm(m_interval);
}

void IntervalTimer::stop()
{
    arm(0);
}

void IntervalTimer::arm(int milliseconds)
{
    if (m_fallback) {
        if (milliseconds > 0)
            m_fallback->start();
        else
            m_fallback->stop();
        return;
    }
    // Setting the time also forgets expirations not yet read, so a stopped timer stays silent.
    const timespec interval { .tv_sec = milliseconds / 1000, .tv_nsec = (milliseconds % 1000) * 1'000'000L };
    const itimerspec times { .it_interval = interval, .it_value = interval };
    timerfd_settime(m_descriptor, 0, &times, nullptr);
}

// Intervals that passed while the program was busy elsewhere come as one tick, as with Qt's
// timers. A notification left over from before a stop finds nothing to read.
void IntervalTimer::expired()
{
    std::uint64_t expirations = 0;
    if (read(m_descriptor, &expirations, sizeof expirations) == sizeof expirations)
        m_elapsed();
}

}
