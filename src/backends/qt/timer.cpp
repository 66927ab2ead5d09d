#include "timer.h"

#include "backend.h"
#include "shell/errors.h"

#include <QSocketNotifier>
#include <QTimer>

#include <algorithm>
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
    if (m_fallback) {
        m_fallback->start(interval);
        return;
    }
    if (interval <= interval.zero()) {
        stop();
        return;
    }
    m_interval = interval;
    m_due = std::chrono::steady_clock::now() + m_interval;
    armAt(m_due - lead());
}

void Timer::stop()
{
    if (m_fallback) {
        m_fallback->stop();
        return;
    }
    m_interval = {};
    armAt({});
}

// How long before a tick is due the descriptor fires: enough for a thread to wake up, and never
// more than a quarter of the interval, which keeps the waiting short.
std::chrono::steady_clock::duration Timer::lead() const
{
    return std::min<std::chrono::steady_clock::duration>(std::chrono::microseconds(200), m_interval / 4);
}

// Arms the descriptor to fire once, at the clock's time `wake`, or disarms it for the zero time.
// Setting the time also forgets expirations not yet read, so a stopped timer stays silent. A timer
// that the kernel refuses to arm would leave its window waiting for ever: that is a runtime
// error, which ends the program with a message instead.
void Timer::armAt(std::chrono::steady_clock::time_point wake)
{
    using namespace std::chrono;
    const nanoseconds since = wake.time_since_epoch();
    const timespec when { .tv_sec = time_t(duration_cast<seconds>(since).count()),
        .tv_nsec = long((since % seconds(1)).count()) };
    const itimerspec times { .it_interval = {}, .it_value = when };
    if (timerfd_settime(m_descriptor, TFD_TIMER_ABSTIME, &times, nullptr) != 0)
        throw shell::RuntimeError(
            shell::error::Internal, std::string("timerfd_settime: ") + std::strerror(errno));
}

// Intervals that passed while the program was busy elsewhere come as one tick, as with Qt's
// timers, and the next tick stays on the timer's beat. A notification left over from before a
// stop finds nothing to read.
void Timer::expired()
{
    std::uint64_t expirations = 0;
    if (read(m_descriptor, &expirations, sizeof expirations) != sizeof expirations
        || m_interval == m_interval.zero())
        return;
    // The descriptor fired up to lead() early; the rest is waited out here, on the clock.
    auto now = std::chrono::steady_clock::now();
    while (now < m_due)
        now = std::chrono::steady_clock::now();
    m_due += m_interval * ((now - m_due) / m_interval + 1);
    try {
        armAt(m_due - lead());
    } catch (...) {
        shell::reportFailure(std::current_exception());
        return;
    }
    m_elapsed();
}

std::unique_ptr<shell::IntervalTimer> QtBackend::createTimer(std::function<void()> elapsed)
{
    return std::make_unique<Timer>(std::move(elapsed));
}

}
