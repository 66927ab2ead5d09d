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
    form.createWindow(m_backend);
    form.Form_Load();
}

void Runtime::show(Form& form)
{
    load(form);
    NativeWindow* window = form.nativeWindow();
    if (!window)
        return; // Form_Load unloaded its own window again.
    if (form.m_modalLoop || window->isVisible())
        throw RuntimeError(error::AlreadyShown, std::string(form.layout().caption));

    const std::unique_ptr<EventLoop> loop = m_backend.createEventLoop();
    form.m_modalLoop = loop.get();
    m_modalLoops.push_back(loop.get());
    window->show(true);
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
    if (NativeWindow* window = form.nativeWindow())
        window->show(false);
}

void Runtime::unload(Form& form)
{
    if (!form.isLoaded())
        return;
    // The window may be the one whose event procedure is running right now (a timer that unloads
    // its own window); the back end keeps what is still on the call stack until it is safe.
    form.releaseWindow().reset();
    if (EventLoop* loop = std::exchange(form.m_modalLoop, nullptr))
        loop->exit();
    if (m_running && !anyLoaded())
        quit(0);
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

    // Every window disappears at once. The windows themselves stay alive until the runtime goes,
    // because procedures further up the stack may still be unwinding through them.
    for (auto& [type, form] : m_registry) {
        if (NativeWindow* window = form->nativeWindow())
            window->close();
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
    const int status = m_ending ? m_exitStatus : m_backend.exec();
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
        // The report is best effort; the program ends either way.
    }
    quit(1);
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
