#include "window.h"

#include "backend.h"
#include "shell/errors.h"

namespace win32backend {

namespace {

    // Private messages of a form window: put a combo box's text back once the box has finished
    // with its list; hand the activation on to the window that takes input.
    constexpr UINT restoreTextMessage = WM_APP + 1;
    constexpr UINT activateInputWindowMessage = WM_APP + 2;

    int colourIndex(shell::SystemColour colour)
    {
        switch (colour) {
        case shell::SystemColour::WindowText:
            return COLOR_WINDOWTEXT;
        case shell::SystemColour::ToolTipText:
            return COLOR_INFOTEXT;
        case shell::SystemColour::Default:
            break;
        }
        return COLOR_BTNFACE;
    }

    bool isClass(HWND window, const wchar_t* name)
    {
        wchar_t className[32] = {};
        GetClassNameW(window, className, 32);
        return lstrcmpW(className, name) == 0;
    }

    // The program's window that takes input while others are disabled: the topmost enabled,
    // visible window of the program, a modal window or a message box.
    HWND inputWindow()
    {
        for (HWND window = GetTopWindow(nullptr); window; window = GetWindow(window, GW_HWNDNEXT)) {
            if (GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId() && IsWindowVisible(window)
                && IsWindowEnabled(window) && (isClass(window, windowClassName) || isClass(window, L"#32770")))
                return window;
        }
        return nullptr;
    }

    // Nothing thrown may cross a window procedure: Windows' own frames lie beneath it. What fails
    // here is handed to the runtime, which reports it and ends the program.
    LRESULT CALLBACK windowProcedure(HWND handle, UINT message, WPARAM wParam, LPARAM lParam)
    {
        try {
            if (message == WM_NCCREATE) {
                auto* window = static_cast<Window*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
                window->attach(handle);
                SetWindowLongPtrW(handle, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(window));
            }
            if (auto* window = reinterpret_cast<Window*>(GetWindowLongPtrW(handle, GWLP_USERDATA)))
                return window->handleMessage(message, wParam, lParam);
        } catch (...) {
            shell::reportFailure(std::current_exception());
            return 0;
        }
        return DefWindowProcW(handle, message, wParam, lParam);
    }

}

void registerWindowClass()
{
    WNDCLASSEXW windowClass {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = windowProcedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = windowClassName;
    if (!RegisterClassExW(&windowClass) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
        throw shell::RuntimeError(shell::error::Internal, "RegisterClassExW");
}

// The control that had the focus when the window was last active, or else the first one in tab
// order that can take it.
void Window::restoreFocus()
{
    if (m_lastFocus && IsChild(m_handle, m_lastFocus) && IsWindowEnabled(m_lastFocus)) {
        SetFocus(m_lastFocus);
        return;
    }
    for (std::size_t index : shell::tabOrder(m_layout)) {
        if (m_controls[index] && IsWindowEnabled(m_controls[index]->handle())) {
            SetFocus(m_controls[index]->handle());
            return;
        }
    }
}

Control* Window::controlOf(HWND handle) const
{
    for (const std::unique_ptr<Control>& control : m_controls) {
        if (control && control->handle() == handle)
            return control.get();
    }
    return nullptr;
}

// Messages that reach the runtime end the handling of the message: the runtime may run event
// procedures from inside them, which may hide this window, open modal loops or end the program.
LRESULT Window::handleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND:
        return command(wParam);
    case WM_CLOSE:
        // Alt+F4 or the task bar's close: the runtime unloads the window as Unload does. Windows
        // must not destroy it on its own.
        m_events.closeRequested();
        return 0;
    case WM_ACTIVATE:
        if (LOWORD(wParam) == WA_INACTIVE) {
            const HWND focus = GetFocus();
            if (focus && IsChild(m_handle, focus))
                m_lastFocus = focus;
        } else if (!IsWindowEnabled(m_handle)) {
            // A window beneath a modal one, brought to the front from the task bar: the modal
            // window (or message box) is the one to use, as Windows does for owned windows.
            PostMessageW(m_handle, activateInputWindowMessage, 0, 0);
        } else if (!HIWORD(wParam)) {
            restoreFocus();
        }
        return 0;
    case activateInputWindowMessage:
        if (GetActiveWindow() == m_handle && !IsWindowEnabled(m_handle)) {
            if (const HWND input = inputWindow())
                SetForegroundWindow(input);
        }
        return 0;
    case WM_ERASEBKGND: {
        RECT client;
        GetClientRect(m_handle, &client);
        FillRect(reinterpret_cast<HDC>(wParam), &client, GetSysColorBrush(colourIndex(m_layout.background)));
        return 1;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
        return controlColours(message, wParam, lParam);
    case WM_SETCURSOR:
        if (m_layout.pointer == shell::Pointer::NoDrop && LOWORD(lParam) == HTCLIENT) {
            SetCursor(LoadCursorW(nullptr, IDC_NO));
            return TRUE;
        }
        break;
    case WM_GETMINMAXINFO:
        // Every size that the window is given is its layout's. Windows' own least width for a
        // window with a title bar grows with the title bar's font and density, and would widen
        // the small progress window, laid out at 96 dpi on a monitor at 144, or wherever the user
        // chose a larger font for title bars.
        reinterpret_cast<MINMAXINFO*>(lParam)->ptMinTrackSize = { 1, 1 };
        return 0;
    case WM_GETDPISCALEDSIZE:
        if (!m_backend.fixedDpi()) {
            *reinterpret_cast<SIZE*>(lParam) = frameSize(LOWORD(wParam), LOWORD(wParam));
            return TRUE;
        }
        break;
    case WM_DPICHANGED:
        return densityChanged(wParam, lParam);
    case restoreTextMessage:
        if (wParam < m_controls.size() && m_controls[wParam])
            m_controls[wParam]->restoreText();
        return 0;
    default:
        break;
    }
    return DefWindowProcW(m_handle, message, wParam, lParam);
}

LRESULT Window::command(WPARAM wParam)
{
    const int id = LOWORD(wParam);
    const WORD code = HIWORD(wParam);
    if (id == IDOK) {
        // Enter, as the dialog manager reports it when no button is the default one: no button is,
        // but a focused button answers Enter as it answers Space.
        const HWND focus = GetFocus();
        const Control* control = controlOf(focus);
        if (control && control->isPushButton() && IsWindowEnabled(focus))
            SendMessageW(focus, BM_CLICK, 0, 0);
        return 0;
    }
    if (id < firstControlId || std::size_t(id - firstControlId) >= m_controls.size())
        return 0;
    const std::size_t index = std::size_t(id - firstControlId);
    Control* control = m_controls[index].get();
    if (!control)
        return 0;
    if (control->isPushButton() && code == BN_CLICKED) {
        m_events.clicked(index);
        return 0;
    }
    if (control->record().kind == shell::ControlKind::ComboBox && control->comboNotified(code))
        PostMessageW(m_handle, restoreTextMessage, index, 0);
    return 0;
}

LRESULT Window::controlColours(UINT message, WPARAM wParam, LPARAM lParam)
{
    const auto dc = reinterpret_cast<HDC>(wParam);
    LRESULT brush = DefWindowProcW(m_handle, message, wParam, lParam);
    if (m_layout.background != shell::SystemColour::Default) {
        SetBkColor(dc, GetSysColor(colourIndex(m_layout.background)));
        brush = reinterpret_cast<LRESULT>(GetSysColorBrush(colourIndex(m_layout.background)));
    }
    if (const Control* control = controlOf(reinterpret_cast<HWND>(lParam))) {
        if (control->record().options.textColour != shell::SystemColour::Default)
            SetTextColor(dc, GetSysColor(colourIndex(control->record().options.textColour)));
    }
    return brush;
}


// The window moved to a monitor of another density, or its monitor's scale changed: at the size
// that the layout gives at the new density, with its controls and font to match, and on the same
// monitor at the layout's place for that density (placeAfterDensityChange()).
LRESULT Window::densityChanged(WPARAM wParam, LPARAM lParam)
{
    if (m_backend.fixedDpi())
        return 0;
    const POINT place = placeAfterDensityChange(
        m_handle, m_layout, style(), exStyle(), m_dpi, LOWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
    m_dpi = LOWORD(wParam);
    SetWindowPos(m_handle, nullptr, place.x, place.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    layOut();
    setIcons();
    InvalidateRect(m_handle, nullptr, TRUE);
    return 0;
}

}
