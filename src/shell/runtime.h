#pragma once

#include "backend.h"
#include "form.h"

#include <memory>
#include <typeindex>
#include <unordered_map>
#include <vector>

namespace shell {

// The forms runtime: the registry with one instance per window class, Load, modal Show, Unload,
// message boxes, End, and the one place where event procedures are called and their errors caught.
// It knows no window by name and no toolkit: windows come from the back end it is given. Exactly
// one runtime exists at a time; windows reach it through the free functions below.
class Runtime
{
public:
    explicit Runtime(Backend& backend);
    ~Runtime();
    Runtime(const Runtime&) = delete;
    Runtime& operator=(const Runtime&) = delete;

    static Runtime& current();
    Backend& backend() const { return m_backend; }

    // The registry's instance of F, created on first use with its fields at their defaults. It
    // creates no window.
    template <class F> F& instance()
    {
        auto& slot = m_registry[std::type_index(typeid(F))];
        if (!slot)
            slot = std::make_unique<F>();
        return static_cast<F&>(*slot);
    }

    // Creates the window and runs Form_Load, unless the window is loaded already. It stays hidden.
    void load(Form& form);
    // Loads if needed and shows the window modally: the program's other windows stay visible but
    // take no input, and the call returns once this window has been unloaded.
    void show(Form& form);
    // Loads if needed and shows the window without modality, as the start window is shown.
    void showModeless(Form& form);
    // Ends the window's load: its timers stop, its events go unheard, and it leaves the screen
    // when the program next waits for input (settle()). The instance and its fields remain.
    void unload(Form& form);
    // Takes off the screen every window that is no longer loaded and shown. The runtime does this
    // before a window is shown or a message box opens, and from the event loop after an unload, so
    // that whenever the program waits for the user the screen is right; a window loaded and shown
    // again before then (the progress window, a hundred times) never leaves the screen.
    void settle();

    void messageBox(std::string_view prompt, MsgStyle style, std::string_view title);

    // Ends the program: every window disappears and no waiting procedure resumes, because this
    // throws ProgramEnding through the caller up to the event boundary.
    [[noreturn]] void end(int exitStatus = 0);
    // Starts ending the program without unwinding the caller; for code at the event boundary.
    void quit(int exitStatus);
    bool isEnding() const { return m_ending; }
    int exitStatus() const { return m_exitStatus; }

    // Shows the start window, not modally, and runs the event loop until the program ends, either
    // by End or because no window remains loaded. Returns the process exit status.
    template <class F> int run() { return run(instance<F>()); }
    int run(Form& startForm);

    // The event boundary: runs an event procedure, and reports any runtime error in a message box
    // before ending the program with status 1. Nothing thrown leaves this function.
    void call(const Procedure& procedure) noexcept;

private:
    void display(Form& form, bool modal);
    void fail(const RuntimeError& error) noexcept;
    bool anyLoaded() const;

    Backend& m_backend;
    std::unordered_map<std::type_index, std::unique_ptr<Form>> m_registry;
    std::vector<EventLoop*> m_modalLoops;
    // The windows on the screen, in the order they were shown.
    std::vector<Form*> m_onScreen;
    bool m_settlePosted = false;
    bool m_running = false;
    bool m_ending = false;
    int m_exitStatus = 0;
};

// The operations as event procedures use them.
template <class F> F& form()
{
    return Runtime::current().instance<F>();
}

template <class F> void Load()
{
    Runtime::current().load(form<F>());
}

template <class F> void Show()
{
    Runtime::current().show(form<F>());
}

template <class F> void Unload()
{
    Runtime::current().unload(form<F>());
}

void messageBox(std::string_view prompt, MsgStyle style, std::string_view title);

// The date in the user's locale's short form, with a four-digit year.
std::string dateToText(Date date);

[[noreturn]] void End();

}
