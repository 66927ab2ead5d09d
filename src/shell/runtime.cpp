#include "runtime.h"

#include <algorithm>
#include <cassert>
#include <cstdio>
#include <utility>

namespace shell {

namespace {
    Runtime* currentRuntime = nullptr;
}

Runtime::Runtime(Backend& backend)
    : m_backend(backend)
{
    assert(!currentRuntime);
    currentRuntime = this;
}

Runtime::~Runtime()
{
    m_registry.clear();
    currentRuntime = nullptr;
}

Runtime& Runtime::current()
{
    assert(currentRuntime);
    return *currentRuntime;
}

void Runtime::load(Form& form)
{
    if (form.isLoaded())
        return;
    if (m_ending)
        throw ProgramEnding {};
    form.prepareLoad(m_backend);
    form.Form_Load();
}

void Runtime::show(Form& form)
{
    load(form);
    if (!form.isLoaded())
        return; // Form_Load unloaded its own window again.
    if (form.m_modalLoop || form.m_shown)
        throw RuntimeError(error::AlreadyShown, std::string(form.layout().caption));

    const std::unique_ptr<EventLoop> loop = m_backend.createEventLoop();
    form.m_modalLoop = loop.get();
    m_modalLoops.push_back(loop.get());
    display(form, true);
    // Showing may deliver events of its own, which may already have unloaded the window; then
    // the loop has been told to exit and returns at once.
    if (form.m_modalLoop == loop.get())
        loop->exec();
    m_modalLoops.erase(std::find(m_modalLoops.begin(), m_modalLoops.end(), loop.get()));
    if (form.m_modalLoop == loop.get())
        form.m_modalLoop = nullptr;

    // A Show that returns because the program is ending must not return into its caller.
    if (m_ending)
        throw ProgramEnding {};
}

void Runtime::showModeless(Form& form)
{
    load(form);
    if (form.isLoaded() && !form.m_shown)
        display(form, false);
}

// The window counts as shown before the screen is settled, so that it stays there if it is still
// on it from its previous load. Its timers hold their ticks from here until its first paint, which
// may come from inside the back end's show().
void Runtime::display(Form& form, bool modal)
{
    form.m_shown = true;
    settle();
    form.m_timers.shown();
    if (!form.m_onScreen) {
        form.m_onScreen = true;
        m_onScreen.push_back(&form);
    }
    form.m_window->show(modal);
    if (form.m_shown)
        form.focusFirst();
}

void Runtime::unload(Form& form)
{
    if (!form.isLoaded())
        return;
    form.endLoad();
    if (EventLoop* loop = std::exchange(form.m_modalLoop, nullptr))
        loop->exit();
    if (form.m_onScreen && !std::exchange(m_settlePosted, true)) {
        m_backend.post([] {
            if (currentRuntime) {
                currentRuntime->m_settlePosted = false;
                currentRuntime->settle();
            }
        });
    }
    if (m_running && !anyLoaded())
        quit(0);
}

void Runtime::settle()
{
    // The topmost first: each hands the input back to the window beneath it.
    const std::vector<Form*> onScreen = m_onScreen;
    for (auto form = onScreen.rbegin(); form != onScreen.rend(); ++form) {
        if ((*form)->m_loaded && (*form)->m_shown)
            continue;
        (*form)->m_onScreen = false;
        std::erase(m_onScreen, *form);
        (*form)->m_window->hide();
    }
}

bool Runtime::anyLoaded() const
{
    return std::any_of(
        m_registry.begin(), m_registry.end(), [](const auto& slot) { return slot.second->isLoaded(); });
}

void Runtime::messageBox(std::string_view prompt, MsgStyle style, std::string_view title)
{
    if (m_ending)
        throw ProgramEnding {};
    settle();
    m_backend.messageBox(prompt, style, title);
    if (m_ending)
        throw ProgramEnding {};
}

void Runtime::end(int exitStatus)
{
    quit(exitStatus);
    throw ProgramEnding {};
}

void Runtime::quit(int exitStatus)
{
    if (m_ending)
        return;
    m_ending = true;
    m_exitStatus = exitStatus;

    // Every window disappears at once; no timer ticks any more. The windows themselves stay until
    // the runtime goes, because procedures further up the stack may still be unwinding through them.
    for (auto& [type, form] : m_registry)
        form->m_timers.stop();
    for (Form* form : std::exchange(m_onScreen, {})) {
        form->m_onScreen = false;
        form->m_window->hide();
    }
    m_backend.closeAll();
    for (EventLoop* loop : m_modalLoops)
        loop->exit();
    if (m_running)
        m_backend.quit(exitStatus);
}

int Runtime::run(Form& startForm)
{
    m_running = true;
    call([&] { showModeless(startForm); });
    int status = 0;
    if (!m_ending) {
        try {
            status = m_backend.exec();
        } catch (...) {
            reportFailure(std::current_exception());
        }
    }
    m_running = false;
    return m_ending ? m_exitStatus : status;
}

void Runtime::call(const Procedure& procedure) noexcept
{
    if (m_ending)
        return;
    try {
        procedure();
    } catch (const ProgramEnding&) {
        // End was called: the procedure has been abandoned, which is all that is left to do.
    } catch (const RuntimeError& error) {
        fail(error);
    } catch (const std::exception& error) {
        fail(RuntimeError(error::Internal, error.what()));
    } catch (...) {
        fail(RuntimeError(error::Internal));
    }
}

void Runtime::fail(const RuntimeError& error) noexcept
{
    try {
        std::fprintf(stderr, "%s\n", error.what());
        if (!m_ending) {
            m_backend.messageBox("Errore " + std::to_string(error.number()) + " in fase di esecuzione:\n\n"
                    + error.description(),
                MsgStyle::Stop, "Errore di run-time");
        }
    } catch (...) {
        // The box could not be shown, the window system failing too: the line on standard error is
        // all the report there can be, and the program ends either way.
        std::fputs("Errore di run-time: impossibile mostrare il messaggio.\n", stderr);
    }
    quit(1);
}

void reportFailure(std::exception_ptr failure) noexcept
{
    if (currentRuntime)
        currentRuntime->call([&] { std::rethrow_exception(failure); });
}

void messageBox(std::string_view prompt, MsgStyle style, std::string_view title)
{
    Runtime::current().messageBox(prompt, style, title);
}

std::string dateToText(Date date)
{
    return dateToText(date, Runtime::current().backend().dateFormat());
}

void End()
{
    Runtime::current().end(0);
}

}
