#pragma once

#include "shell/backend.h"

#include <windows.h>

#include <functional>
#include <map>
#include <memory>
#include <utility>
#include <vector>

namespace win32backend {

class Window;
class Timer;

// The forms runtime's windows, controls, timers, loops and message boxes on Win32 alone. Each
// form's window is a top-level window of its own, unowned and in the task bar, with standard
// controls as its children; a modal Show disables the program's other windows and runs a nested
// message loop, as Windows' own dialog manager does. Each job has a file of its own: window.cpp,
// controls.cpp, timer.cpp, eventloop.cpp, messagebox.cpp, locale.cpp, icon.cpp and dpi.cpp;
// application.cpp starts the program on it.
class Win32Backend final : public shell::Backend
{
public:
    // With a fixed density every window is laid out at it, whatever its monitor's; the back end's
    // tests use this to check the layouts at densities that their display does not have.
    explicit Win32Backend(UINT fixedDpi = 0);
    ~Win32Backend() override;
    Win32Backend(const Win32Backend&) = delete;
    Win32Backend& operator=(const Win32Backend&) = delete;

    std::unique_ptr<shell::NativeWindow> createWindow(
        const shell::FormLayout& layout, shell::WindowEvents& events) override;
    std::unique_ptr<shell::IntervalTimer> createTimer(std::function<void()> elapsed) override;
    std::unique_ptr<shell::EventLoop> createEventLoop() override;
    void post(std::function<void()> task) override;
    void messageBox(std::string_view prompt, shell::MsgStyle style, std::string_view title) override;
    void closeAll() override;
    shell::DateFormat dateFormat() const override;
    int exec() override;
    void quit(int status) override;

    // Delivers one message, or one timer's tick on time, as every loop of the program does: the
    // keyboard of the program's windows goes through the dialog manager (Tab, arrows, Space and
    // Enter on buttons). Returns false once the program is quitting; throws RuntimeError when the
    // program cannot wait for its next message.
    bool deliverNext();
    int status() const { return m_status; }

    // For the windows.
    UINT fixedDpi() const { return m_fixedDpi; }
    HFONT font(UINT dpi);
    HICON icon(const std::string_view& art, UINT dpi, bool big);
    void add(Window* window) { m_windows.push_back(window); }
    void remove(Window* window)
    {
        std::erase(m_windows, window);
        std::erase(m_unreportedPaints, window);
    }
    // The window's paint is reported once the program next waits for its messages.
    void reportPaintWhenIdle(Window* window);
    const std::vector<Window*>& windows() const { return m_windows; }
    bool isForm(HWND handle) const;
    void enableAll(const std::vector<HWND>& windows);

    // The hidden window that receives the timers' ticks and the posted tasks, which every message
    // loop delivers, a message box's included.
    HWND messageWindow();
    void add(Timer* timer) { m_timers.push_back(timer); }
    void remove(Timer* timer) { std::erase(m_timers, timer); }
    void timerTicked(UINT_PTR id);
    void runPosted();

private:
    void dispatch(MSG& message);
    // The running timer whose tick is due first, if any.
    Timer* nextDue() const;

    UINT m_fixedDpi;
    HWND m_messageWindow = nullptr;
    std::vector<Window*> m_windows;
    std::vector<Window*> m_unreportedPaints;
    std::vector<Timer*> m_timers;
    std::vector<std::function<void()>> m_posted;
    std::map<UINT, HFONT> m_fonts;
    std::map<std::pair<const void*, int>, HICON> m_icons;
    bool m_quit = false;
    int m_status = 0;
};

// The top-level window of a form's window, for the back end's own tests.
HWND windowHandle(const shell::NativeWindow* window);

}
