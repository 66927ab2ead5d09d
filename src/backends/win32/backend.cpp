#include "backend.h"

#include "shell/errors.h"

namespace win32backend {

namespace {

    constexpr wchar_t messageClassName[] = L"ScherzettoMessages";
    // A posted task waits in the message window's queue.
    constexpr UINT taskMessage = WM_APP + 1;

    // Nothing thrown may cross a window procedure: Windows' own frames lie beneath it. What the
    // back end's own code throws is handed to the runtime, which reports it and ends the program.
    LRESULT CALLBACK messageProcedure(HWND handle, UINT message, WPARAM wParam, LPARAM lParam)
    {
        try {
            auto* backend = reinterpret_cast<Win32Backend*>(GetWindowLongPtrW(handle, GWLP_USERDATA));
            if (backend && message == WM_TIMER) {
                backend->timerTicked(wParam);
                return 0;
            }
            if (backend && message == taskMessage) {
                backend->runPosted();
                return 0;
            }
        } catch (...) {
            shell::reportFailure(std::current_exception());
            return 0;
        }
        return DefWindowProcW(handle, message, wParam, lParam);
    }

}

Win32Backend::Win32Backend(UINT fixedDpi)
    : m_fixedDpi(fixedDpi)
{
}

Win32Backend::~Win32Backend()
{
    if (m_messageWindow)
        DestroyWindow(m_messageWindow);
    for (const auto& [dpi, font] : m_fonts)
        DeleteObject(font);
    for (const auto& [key, icon] : m_icons)
        DestroyIcon(icon);
}

HWND Win32Backend::messageWindow()
{
    if (m_messageWindow)
        return m_messageWindow;
    WNDCLASSEXW windowClass {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = messageProcedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = messageClassName;
    if (!RegisterClassExW(&windowClass) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
        throw shell::RuntimeError(shell::error::Internal, "RegisterClassExW");
    m_messageWindow = CreateWindowExW(
        0, messageClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!m_messageWindow)
        throw shell::RuntimeError(shell::error::Internal, "CreateWindowExW");
    SetWindowLongPtrW(m_messageWindow, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    return m_messageWindow;
}

void Win32Backend::post(std::function<void()> task)
{
    m_posted.push_back(std::move(task));
    if (m_posted.size() == 1 && !PostMessageW(messageWindow(), taskMessage, 0, 0))
        throw shell::RuntimeError(shell::error::Internal, "PostMessageW");
}

void Win32Backend::runPosted()
{
    for (const std::function<void()>& task : std::exchange(m_posted, {}))
        task();
}

}
