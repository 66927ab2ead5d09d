#include "backend.h"

#include <emscripten.h>

#include <exception>

namespace webbackend {

namespace {

    EM_JS(void, startPageTimer, (int id, int generation, double interval),
        { Page.startTimer(id, generation, interval); });
    EM_JS(void, stopPageTimer, (int id), { Page.stopTimer(id); });

}

WebTimer::WebTimer(WebBackend& backend, int id, std::function<void()> elapsed)
    : m_backend(backend)
    , m_id(id)
    , m_elapsed(std::move(elapsed))
{
}

WebTimer::~WebTimer()
{
    stopPageTimer(m_id);
    m_backend.forget(*this, m_id);
}

// Each start is a new generation: a tick that the page queued for an older one never comes.
void WebTimer::start(std::chrono::milliseconds interval)
{
    m_interval = interval;
    m_running = true;
    startPageTimer(m_id, ++m_generation, double(interval.count()));
}

void WebTimer::stop()
{
    m_running = false;
    ++m_generation;
    stopPageTimer(m_id);
}

// The page times one interval at a time, and the next one starts from this tick, so that a tick
// never comes early and intervals that passed while the program was busy come as this one tick.
void WebTimer::tick(int generation)
{
    if (!m_running || generation != m_generation)
        return;
    startPageTimer(m_id, m_generation, double(m_interval.count()));
    // The procedure may destroy this timer (a timer that unloads its own window): it runs from a
    // copy, and nothing of the timer is touched afterwards.
    const std::function<void()> elapsed = m_elapsed;
    try {
        elapsed();
    } catch (...) {
        shell::reportFailure(std::current_exception());
    }
}

}
