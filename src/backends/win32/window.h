#pragma once

#include "controls.h"
#include "dpi.h"
#include "shell/backend.h"

#include <windows.h>

#include <memory>
#include <vector>

namespace win32backend {

class Win32Backend;

inline constexpr wchar_t windowClassName[] = L"ScherzettoForm";
// Control identifiers start above those of the dialog manager (IDOK, IDCANCEL...), so that its
// commands are never taken for a control's.
inline constexpr int firstControlId = 100;

// Registers the window class of the forms' windows, whose procedure is in windowmessages.cpp;
// throws RuntimeError when Windows refuses it.
void registerWindowClass();

// A form's window on Win32, kept for the whole run: a top-level window with the controls as its
// children. Windows orders the children (z-order, the dialog manager's tab order) as they are
// created, and a screen reader names a box by the label just before it.
class Window final : public shell::NativeWindow
{
public:
    Window(Win32Backend& backend, const shell::FormLayout& layout, shell::WindowEvents& events);
    ~Window() override;
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    shell::NativeControl& createControl(std::size_t index) override;
    void setLabelFor(std::size_t, std::size_t) override { }
    void place() override;
    void show(bool modal) override;
    void hide() override;

    HWND handle() const { return m_handle; }
    // Tells the runtime that what the window showed at its latest showing is on the screen.
    void reportPainted() { m_events.painted(); }
    Control* control(std::size_t index) const { return m_controls[index].get(); }
    void attach(HWND handle) { m_handle = handle; }
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam);

private:
    DWORD style() const;
    DWORD exStyle() const { return WS_EX_APPWINDOW; }
    // The window's size for a client area laid out at one density inside a frame that Windows
    // draws at another: the same two but for the back end's tests, which fix the first.
    SIZE frameSize(UINT layoutDpi, UINT frameDpi) const;
    void layOut();
    void setIcons();
    void restoreFocus();
    Control* controlOf(HWND handle) const;
    LRESULT command(WPARAM wParam);
    LRESULT controlColours(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT densityChanged(WPARAM wParam, LPARAM lParam);

    Win32Backend& m_backend;
    const shell::FormLayout& m_layout;
    shell::WindowEvents& m_events;
    HWND m_handle = nullptr;
    UINT m_dpi = ReferenceDpi;
    std::vector<std::unique_ptr<Control>> m_controls; // by index in the layout; none for timers
    bool m_afterOptionButton = false; // the last control created was an option button
    std::vector<HWND> m_disabled; // the windows that this one's modal showing disabled
    HWND m_previousActive = nullptr;
    HWND m_lastFocus = nullptr;
};

}
