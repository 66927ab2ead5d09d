#include "backend.h"
#include "text.h"
#include "window.h"

namespace win32backend {

namespace {

    BOOL CALLBACK endMessageBox(HWND window, LPARAM)
    {
        wchar_t className[16] = {};
        GetClassNameW(window, className, 16);
        if (lstrcmpW(className, L"#32770") == 0) {
            EndDialog(window, IDOK);
            PostMessageW(window, WM_NULL, 0, 0);
        }
        return TRUE;
    }

}

// The box belongs to the program's active window and keeps every other window of the program
// from taking input until it is dismissed.
void Win32Backend::messageBox(std::string_view prompt, shell::MsgStyle style, std::string_view title)
{
    HWND owner = GetActiveWindow();
    for (auto window = m_windows.rbegin(); !owner && window != m_windows.rend(); ++window) {
        if (IsWindowVisible((*window)->handle()) && IsWindowEnabled((*window)->handle()))
            owner = (*window)->handle();
    }
    UINT icon = MB_ICONINFORMATION;
    switch (style) {
    case shell::MsgStyle::Stop:
        icon = MB_ICONSTOP;
        break;
    case shell::MsgStyle::Exclamation:
        icon = MB_ICONEXCLAMATION;
        break;
    case shell::MsgStyle::Information:
        break;
    }
    MessageBoxW(owner, toWide(prompt).c_str(), toWide(title).c_str(),
        MB_OK | icon | MB_SETFOREGROUND | (owner ? MB_APPLMODAL : MB_TASKMODAL));
}

// The program ends: a message box that is still open goes with it.
void Win32Backend::closeAll()
{
    EnumThreadWindows(GetCurrentThreadId(), endMessageBox, 0);
}

}
