#include "window.h"

#include "backend.h"
#include "shell/errors.h"
#include "text.h"

#include <algorithm>

namespace win32backend {

Window::Window(Win32Backend& backend, const shell::FormLayout& layout, shell::WindowEvents& events)
    : m_backend(backend)
    , m_layout(layout)
    , m_events(events)
    , m_controls(layout.controls.size())
{
    registerWindowClass();
    // The layout gives the client area's position on the screen. Until the window exists its
    // monitor is unknown, so the system's density places it, and place() then sizes it at its own.
    const UINT placingDpi = backend.fixedDpi() ? backend.fixedDpi() : systemDpi();
    const RECT frame = layoutWindow(layout, style(), exStyle(), placingDpi, systemDpi());
    const std::wstring caption = toWide(layout.caption);
    CreateWindowExW(exStyle(), windowClassName, caption.c_str(), style(), frame.left, frame.top,
        frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr, GetModuleHandleW(nullptr), this);
    if (!m_handle)
        throw shell::RuntimeError(shell::error::Internal, "CreateWindowExW");
    m_dpi = backend.fixedDpi() ? backend.fixedDpi() : windowDpi(m_handle);
    backend.add(this);
}

Window::~Window()
{
    m_backend.remove(this);
    SetWindowLongPtrW(m_handle, GWLP_USERDATA, 0);
    DestroyWindow(m_handle);
}

shell::NativeControl& Window::createControl(std::size_t index)
{
    const shell::ControlRecord& record = m_layout.controls[index];
    // The window's option buttons form one group, which its other controls close.
    const bool optionButton = record.kind == shell::ControlKind::OptionButton;
    m_controls[index] = std::make_unique<Control>(
        m_handle, record, firstControlId + int(index), !(optionButton && m_afterOptionButton));
    m_afterOptionButton = optionButton;
    return *m_controls[index];
}

DWORD Window::style() const
{
    // A fixed single-line frame with the caption alone in its title bar: no system menu, no
    // buttons. Without a caption, no title bar either: only the one-pixel border.
    const DWORD frame = m_layout.caption.empty() ? WS_POPUP | WS_BORDER : WS_OVERLAPPED | WS_CAPTION;
    return frame | WS_CLIPCHILDREN;
}

SIZE Window::frameSize(UINT layoutDpi, UINT frameDpi) const
{
    // The same size as the window opens with, which layoutWindow() rounds as a whole for a window
    // without a title bar.
    const RECT frame = layoutWindow(m_layout, style(), exStyle(), layoutDpi, frameDpi);
    return { frame.right - frame.left, frame.bottom - frame.top };
}

// The window at its record's place, its size, controls, font and icons at its density.
void Window::place()
{
    const UINT dpi = m_backend.fixedDpi() ? m_backend.fixedDpi() : windowDpi(m_handle);
    m_dpi = dpi;
    const RECT frame = layoutWindow(m_layout, style(), exStyle(), dpi, windowDpi(m_handle));
    SetWindowPos(m_handle, nullptr, frame.left, frame.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    layOut();
    setIcons();
}

// Sizes the window and its controls for its density, keeping its position.
void Window::layOut()
{
    const SIZE size = frameSize(m_dpi, windowDpi(m_handle));
    SetWindowPos(m_handle, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    const HFONT font = m_backend.font(m_dpi);
    for (const std::unique_ptr<Control>& control : m_controls) {
        if (control)
            control->place(m_dpi, font);
    }
}

void Window::setIcons()
{
    if (!m_layout.iconArt)
        return;
    SendMessageW(m_handle, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_backend.icon(*m_layout.iconArt, m_dpi, true)));
    SendMessageW(
        m_handle, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_backend.icon(*m_layout.iconArt, m_dpi, false)));
}

void Window::show(bool modal)
{
    if (modal) {
        for (Window* other : m_backend.windows()) {
            const HWND window = other->handle();
            if (other != this && IsWindowVisible(window) && IsWindowEnabled(window)) {
                EnableWindow(window, FALSE);
                m_disabled.push_back(window);
            }
        }
    }
    // A window still on the screen from its last load is there and active already: only what the
    // load changed in it needs painting, and the controls whose texts changed have asked for that.
    UINT redraw = RDW_UPDATENOW | RDW_ALLCHILDREN;
    if (!IsWindowVisible(m_handle)) {
        m_previousActive = GetActiveWindow();
        ShowWindow(m_handle, SW_SHOW);
        SetForegroundWindow(m_handle);
        redraw |= RDW_INVALIDATE;
    }
    // Every text is painted now, the controls' included. What is painted reaches the screen once
    // the program is idle (Wine copies the windows' pictures to the X server then), and only then
    // is the paint reported (Win32Backend::deliverNext).
    RedrawWindow(m_handle, nullptr, nullptr, redraw);
    GdiFlush();
    m_backend.reportPaintWhenIdle(this);
}

// The windows beneath take input again before this one goes; otherwise Windows would hand the
// activation to another program's window.
void Window::hide()
{
    m_backend.enableAll(std::exchange(m_disabled, {}));
    if (GetActiveWindow() == m_handle && m_backend.isForm(m_previousActive) && IsWindowVisible(m_previousActive))
        SetActiveWindow(m_previousActive);
    ShowWindow(m_handle, SW_HIDE);
    m_lastFocus = nullptr;
}

std::unique_ptr<shell::NativeWindow> Win32Backend::createWindow(
    const shell::FormLayout& layout, shell::WindowEvents& events)
{
    return std::make_unique<Window>(*this, layout, events);
}

bool Win32Backend::isForm(HWND handle) const
{
    return handle && std::any_of(m_windows.begin(), m_windows.end(), [&](Window* w) { return w->handle() == handle; });
}

void Win32Backend::enableAll(const std::vector<HWND>& windows)
{
    for (HWND window : windows) {
        if (isForm(window))
            EnableWindow(window, TRUE);
    }
}

HWND windowHandle(const shell::NativeWindow* window)
{
    const auto* form = dynamic_cast<const Window*>(window);
    return form ? form->handle() : nullptr;
}

}
