// A small Win32 program on which the Wine harness proves itself: a window "Prova" with the kinds of
// control that Scherzetto uses. "Copia" copies the text box and the combo box's text into the
// label, so that a test sees the effect of its typing and clicking; "Fine" ends the program with
// exit status 0 when the check box is ticked and 3 when it is not.

#include <windows.h>

#include <string>

namespace {

enum Control { label = 1, textBox, comboBox, checkBox, copyButton, endButton };

HWND child(HWND parent, const wchar_t* kind, const wchar_t* text, DWORD style, int x, int y, int width,
    int height, Control id)
{
    const HWND control = CreateWindowExW(0, kind, text, WS_CHILD | WS_VISIBLE | style, x, y, width, height,
        parent, reinterpret_cast<HMENU>(INT_PTR(id)), GetModuleHandleW(nullptr), nullptr);
    SendMessageW(control, WM_SETFONT, WPARAM(GetStockObject(DEFAULT_GUI_FONT)), TRUE);
    return control;
}

std::wstring textOf(HWND control)
{
    std::wstring text(std::size_t(GetWindowTextLengthW(control)) + 1, L'\0');
    text.resize(std::size_t(GetWindowTextW(control, text.data(), int(text.size()))));
    return text;
}

void create(HWND window)
{
    child(window, L"STATIC", L"Pronto", 0, 10, 10, 280, 20, label);
    child(window, L"EDIT", L"", WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 10, 40, 280, 22, textBox);
    const HWND combo = child(window, L"COMBOBOX", L"", WS_TABSTOP | CBS_DROPDOWN, 10, 72, 280, 120, comboBox);
    for (const wchar_t* day : { L"Lunedì", L"Martedì", L"Mercoledì" })
        SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(day));
    child(window, L"BUTTON", L"Sì", WS_TABSTOP | BS_AUTOCHECKBOX, 10, 104, 280, 22, checkBox);
    child(window, L"BUTTON", L"Copia", WS_TABSTOP | BS_PUSHBUTTON, 10, 136, 130, 30, copyButton);
    child(window, L"BUTTON", L"Fine", WS_TABSTOP | BS_PUSHBUTTON, 160, 136, 130, 30, endButton);
}

LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        create(window);
        return 0;
    case WM_COMMAND:
        if (LOWORD(wParam) == copyButton) {
            const std::wstring copied
                = textOf(GetDlgItem(window, textBox)) + L" " + textOf(GetDlgItem(window, comboBox));
            SetWindowTextW(GetDlgItem(window, label), copied.c_str());
        } else if (LOWORD(wParam) == endButton) {
            const bool ticked = IsDlgButtonChecked(window, checkBox) == BST_CHECKED;
            DestroyWindow(window);
            PostQuitMessage(ticked ? 0 : 3);
        }
        return 0;
    case WM_CLOSE:
        DestroyWindow(window);
        PostQuitMessage(4);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand)
{
    WNDCLASSEXW windowClass {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = windowProcedure;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    windowClass.lpszClassName = L"Prova";
    if (!RegisterClassExW(&windowClass))
        return 1;
    // A fixed frame with only a title bar, as Scherzetto's windows have.
    RECT frame { 100, 120, 400, 300 };
    const DWORD style = WS_OVERLAPPED | WS_CAPTION;
    AdjustWindowRectEx(&frame, style, FALSE, 0);
    const HWND window = CreateWindowExW(0, L"Prova", L"Prova", style, frame.left, frame.top,
        frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr, instance, nullptr);
    if (!window)
        return 1;
    ShowWindow(window, showCommand);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (!IsDialogMessageW(window, &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    return int(message.wParam);
}
