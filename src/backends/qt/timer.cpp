#include "timer.h"

#include "backend.h"
#include "shell/errors.h"

#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>
#include <cstdint>
#include <cstring>

#include <sys/prctl.h>
#include <sys/timerfd.h>
#include <unistd.h>

namespace qtbackend {

Timer::Timer(std::function<void()> elapsed)
    : m_elapsed(std::move(elapsed))
    , m_descriptor(timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC))
{
    if (m_descriptor >= 0) {
        // The kernel lets the timers of a sleeping thread expire up to 50 µs late by default, to
        // wake it less often; these ticks are few and should come on time.
        prctl(PR_SET_TIMERSLACK, 1UL);
        m_notifier = new QSocketNotifier(m_descriptor, QSocketNotifier::Read, this);
        connect(m_notifier, &QSocketNotifier::activated, this, &Timer::expired);
    } else {
        m_fallback = new QTimer(this);
        m_fallback->setTimerType(Qt::PreciseTimer);
        connect(m_fallback, &QTimer::timeout, this, [this] { m_elapsed(); });
    }
}

Timer::~Timer()
{
    if (m_descriptor >= 0) {
        delete m_notifier;
        close(m_descriptor);
    }
}

void Timer::start(std::chrono::milliseconds interval)
{
    arm(interval);
}

void Timer::stop()
{
    arm(std::chrono::milliseconds(0));
}

// A timer that the kernel refuses to arm would leave its window waiting for ever: that is a
// runtime error, which ends the program with a message instead.
void Timer::arm(std::chrono::milliseconds interval)
{
    if (m_fallback) {
        if (interval.count() > 0)
            m_fallback->start(interval);
        else
            m_fallback->stop();
        return;
    }
    // Setting the time also forgets expirations not yet read, so a stopped timer stays silent.
    const long long milliseconds = interval.count();
    const timespec period { .tv_sec = time_t(milliseconds / 1000), .tv_nsec = long(milliseconds % 1000) * 1'000'000L };
    const itimerspec times { .it_interval = period, .it_value = period };
    if (timerfd_settime(m_descriptor, 0, &times, nullptr) != 0)
        throw shell::RuntimeError(shell::error::Internal, std::string("timerfd_settime: ") + std::strerror(errno));
}

// Intervals that passed while the program was busy elsewhere come as one tick, as with Qt's
// timers. A notification left over from before a stop finds nothing to read.
void Timer::expired()
{
    std::uint64_t expirations = 0;
    if (read(m_descriptor, &expirations, sizeof expirations) == sizeof expirations)
        m_elapsed();
}

std::unique_ptr<shell::IntervalTimer> QtBackend::createTimer(std::function<void()> elapsed)
{
    return std::make_unique<Timer>(std::move(elapsed));
}

}
