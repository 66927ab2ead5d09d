#pragma once

#include "shell/backend.h"

#include <windows.h>

#include <map>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace win32backend {

class Control;
class FormWindow;

// What an unloaded window leaves behind for the next load of its layout to take over: its native
// window, still on screen, and its controls.
struct RetiredWindow
{
    HWND handle = nullptr;
    const shell::FormLayout* layout = nullptr;
    HWND previousActive = nullptr;
    // The windows that its modal showing disabled, enabled again when it leaves the screen.
    std::vector<HWND> disabled;
    UINT dpi = 0;
    std::vector<std::unique_ptr<Control>> controls;
};

// The forms runtime's windows, controls, loops and message boxes on Win32 alone. Each loaded
// window is a top-level window of its own, unowned and in the task bar, with standard controls
// as its children; a modal Show disables the program's other windows and runs a nested message
// loop, as Windows' own dialog manager does.
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
    std::unique_ptr<shell::EventLoop> createEventLoop() override;
    void messageBox(std::string_view prompt, shell::MsgStyle style, std::string_view title) override;
    void closeAll() override;
    shell::DateFormat dateFormat() const override;
    int exec() override;
    void quit(int status) override;

    // Delivers one message as every loop of the program does: the keyboard of the program's
    // windows goes through the dialog manager (Tab, arrows, Space and Enter on buttons).
    void dispatch(MSG& message);

    // For the windows.
    UINT fixedDpi() const { return m_fixedDpi; }
    HFONT font(UINT dpi);
    HICON icon(const std::string_view& art, UINT dpi, bool big);
    void add(FormWindow* window) { m_windows.push_back(window); }
    void remove(FormWindow* window);
    const std::vector<FormWindow*>& windows() const { return m_windows; }
    bool isForm(HWND handle) const;
    void enableAll(const std::vector<HWND>& windows);

    // An unloaded window leaves the screen at the next settle(); until then the next load of the
    // same layout may take over its native window and controls (adopt()), which then never leave
    // the screen at all. The progress window is loaded a hundred times in a row, every 10 ms;
    // under Wine, creating, mapping and unmapping a window and its controls costs more than that.
    void retire(RetiredWindow window);
    std::optional<RetiredWindow> adopt(const shell::FormLayout& layout);
    // Makes the screen match the loaded windows: retired windows enable the windows beneath again,
    // hand them the activation back and are hidden and destroyed, and a loaded window that is not
    // shown is hidden. Every loop does this before it waits for the next message, and so does every
    // message box before it opens: whenever the program waits for the user, the screen is right.
    void settle();

private:
    UINT m_fixedDpi;
    ATOM m_windowClass = 0;
    std::vector<FormWindow*> m_windows;
    std::vector<RetiredWindow> m_retired;
    std::map<UINT, HFONT> m_fonts;
    std::map<std::pair<const void*, int>, HICON> m_icons;
    bool m_quit = false;
    int m_status = 0;
};

// The top-level window of a loaded window, for the back end's own tests.
HWND windowHandle(const shell::NativeWindow* window);

}
