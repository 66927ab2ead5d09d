// The tests' eyes on a Windows program, as UI automation would see it: lists the top-level windows
// of the processes with a given program name, with their controls, as one JSON document (UTF-8) on
// standard output. It runs beside the program, under the same Wine, and reads everything through
// the messages that Windows itself carries between processes (WM_GETTEXT, CB_GETLBTEXT, ...).
//
// Usage: uiread [PROGRAM.exe]      (scherzetto.exe when none is given)
//
// Output: {"foreground": handle or 0, "windows": [window, ...]}, the windows in z-order, topmost
// first, each with
//   handle, pid, class, caption, visible, enabled, style, exstyle, owner, z (position among all
//   top-level windows of the desktop), rect and client ([left, top, width, height] on the screen),
//   active (the active window of its thread), focus (the handle of its thread's focused window),
//   controls (its child windows, topmost first)
// and each control with handle, class, id, text, visible, enabled, focused, style, z (position
// among its siblings), rect (on the screen), controls (its own children), and where they apply
// check (BM_GETCHECK: 0 clear, 1 ticked, 2 greyed) and items and selected (combo and list boxes).

#include <windows.h>

#include <tlhelp32.h>

#include <cstdio>
#include <set>
#include <string>
#include <vector>

namespace {

// A window of another process may be busy: the inspector waits this long for each answer at most,
// rather than hang with it.
constexpr UINT answerTimeout = 2000;

std::string utf8(const std::wstring& text)
{
    if (text.empty())
        return {};
    const int size
        = WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0, nullptr, nullptr);
    std::string result(std::size_t(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), result.data(), size, nullptr, nullptr);
    return result;
}

std::string quoted(const std::wstring& text)
{
    std::string out = "\"";
    for (const char c : utf8(text)) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
            out += escaped;
        } else {
            out += c;
        }
    }
    return out + '"';
}

std::string number(unsigned long long value)
{
    return std::to_string(value);
}

std::string handle(HWND window)
{
    return number(reinterpret_cast<ULONG_PTR>(window));
}

std::string boolean(bool value)
{
    return value ? "true" : "false";
}

std::string rectangle(const RECT& rect)
{
    char text[64];
    std::snprintf(text, sizeof text, "[%ld, %ld, %ld, %ld]", rect.left, rect.top, rect.right - rect.left,
        rect.bottom - rect.top);
    return text;
}

// Sends a message that Windows marshals between processes; false when the window does not answer.
bool ask(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    DWORD_PTR answer = 0;
    if (!SendMessageTimeoutW(
            window, message, wParam, lParam, SMTO_ABORTIFHUNG | SMTO_BLOCK, answerTimeout, &answer))
        return false;
    result = LRESULT(answer);
    return true;
}

std::wstring text(HWND window)
{
    LRESULT length = 0;
    if (!ask(window, WM_GETTEXTLENGTH, 0, 0, length) || length <= 0)
        return {};
    std::wstring buffer(std::size_t(length) + 1, L'\0');
    LRESULT copied = 0;
    if (!ask(window, WM_GETTEXT, WPARAM(buffer.size()), reinterpret_cast<LPARAM>(buffer.data()), copied))
        return {};
    buffer.resize(std::size_t(copied));
    return buffer;
}

std::wstring className(HWND window)
{
    wchar_t name[256] = {};
    GetClassNameW(window, name, 256);
    return name;
}

// The items of a combo box or a list box, which answer the same questions under different names.
struct ListMessages
{
    UINT count, length, text, selection;
};

std::string items(HWND window, const ListMessages& messages, LRESULT& selected)
{
    std::string out = "[";
    LRESULT count = 0;
    ask(window, messages.count, 0, 0, count);
    for (LRESULT index = 0; index < count; ++index) {
        LRESULT length = 0;
        std::wstring item;
        if (ask(window, messages.length, WPARAM(index), 0, length) && length >= 0) {
            item.assign(std::size_t(length) + 1, L'\0');
            LRESULT copied = 0;
            if (ask(window, messages.text, WPARAM(index), reinterpret_cast<LPARAM>(item.data()), copied)
                && copied >= 0)
                item.resize(std::size_t(copied));
            else
                item.clear();
        }
        out += (index ? ", " : "") + quoted(item);
    }
    selected = -1;
    ask(window, messages.selection, 0, 0, selected);
    return out + "]";
}

std::string controls(HWND parent, HWND focus, int depth);

std::string control(HWND window, int z, HWND focus, int depth)
{
    const std::wstring kind = className(window);
    RECT rect {};
    GetWindowRect(window, &rect);
    const LONG style = GetWindowLongW(window, GWL_STYLE);
    std::string out = "{\"handle\": " + handle(window) + ", \"class\": " + quoted(kind) + ", \"id\": "
        + std::to_string(GetDlgCtrlID(window)) + ", \"text\": " + quoted(text(window)) + ", \"visible\": "
        + boolean(IsWindowVisible(window)) + ", \"enabled\": " + boolean(IsWindowEnabled(window))
        + ", \"focused\": " + boolean(window == focus) + ", \"style\": " + number(DWORD(style))
        + ", \"z\": " + std::to_string(z) + ", \"rect\": " + rectangle(rect);
    LRESULT selected = -1;
    if (CompareStringOrdinal(kind.c_str(), -1, L"Button", -1, TRUE) == CSTR_EQUAL) {
        LRESULT check = 0;
        ask(window, BM_GETCHECK, 0, 0, check);
        out += ", \"check\": " + std::to_string(check);
    } else if (CompareStringOrdinal(kind.c_str(), -1, L"ComboBox", -1, TRUE) == CSTR_EQUAL) {
        out += ", \"items\": "
            + items(window, { CB_GETCOUNT, CB_GETLBTEXTLEN, CB_GETLBTEXT, CB_GETCURSEL }, selected);
        out += ", \"selected\": " + std::to_string(selected);
    } else if (CompareStringOrdinal(kind.c_str(), -1, L"ListBox", -1, TRUE) == CSTR_EQUAL) {
        out += ", \"items\": "
            + items(window, { LB_GETCOUNT, LB_GETTEXTLEN, LB_GETTEXT, LB_GETCURSEL }, selected);
        out += ", \"selected\": " + std::to_string(selected);
    }
    return out + ", \"controls\": " + controls(window, focus, depth + 1) + "}";
}

// The children of a window, topmost first. The depth is bounded against a window tree that
// changes under the inspector's feet.
std::string controls(HWND parent, HWND focus, int depth)
{
    std::string out = "[";
    int z = 0;
    for (HWND child = GetWindow(parent, GW_CHILD); child && depth < 8 && z < 1000;
         child = GetWindow(child, GW_HWNDNEXT), ++z)
        out += (z ? ", " : "") + control(child, z, focus, depth);
    return out + "]";
}

std::string topLevel(HWND window, int z, DWORD process)
{
    RECT rect {};
    GetWindowRect(window, &rect);
    RECT client {};
    GetClientRect(window, &client);
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&client), 2);
    GUITHREADINFO thread {};
    thread.cbSize = sizeof thread;
    GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &thread);
    return "{\"handle\": " + handle(window) + ", \"pid\": " + number(process) + ", \"class\": "
        + quoted(className(window)) + ", \"caption\": " + quoted(text(window)) + ", \"visible\": "
        + boolean(IsWindowVisible(window)) + ", \"enabled\": " + boolean(IsWindowEnabled(window))
        + ", \"style\": " + number(DWORD(GetWindowLongW(window, GWL_STYLE)))
        + ", \"exstyle\": " + number(DWORD(GetWindowLongW(window, GWL_EXSTYLE)))
        + ", \"owner\": " + handle(GetWindow(window, GW_OWNER)) + ", \"z\": " + std::to_string(z)
        + ", \"rect\": " + rectangle(rect) + ", \"client\": " + rectangle(client)
        + ", \"active\": " + boolean(thread.hwndActive == window) + ", \"focus\": " + handle(thread.hwndFocus)
        + ", \"controls\": " + controls(window, thread.hwndFocus, 0) + "}";
}

std::set<DWORD> processesNamed(const wchar_t* program)
{
    std::set<DWORD> found;
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return found;
    PROCESSENTRY32W entry {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
        if (CompareStringOrdinal(entry.szExeFile, -1, program, -1, TRUE) == CSTR_EQUAL)
            found.insert(entry.th32ProcessID);
    }
    CloseHandle(snapshot);
    return found;
}

}

int wmain(int argc, wchar_t* argv[])
{
    if (argc > 2) {
        std::fputs("usage: uiread [PROGRAM.exe]\n", stderr);
        return 2;
    }
    // Rectangles in the screen's own pixels, where the harness points and clicks: a program that
    // does not say that it follows the display's density gets them scaled to 96 dpi, on Windows
    // since 8.1 and under Wine since 10.
    SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
    const std::set<DWORD> processes = processesNamed(argc == 2 ? argv[1] : L"scherzetto.exe");

    std::vector<HWND> windows;
    EnumWindows(
        [](HWND window, LPARAM list) {
            reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&windows));

    std::string out = "{\"foreground\": " + handle(GetForegroundWindow()) + ", \"windows\": [";
    bool first = true;
    for (std::size_t z = 0; z < windows.size(); ++z) {
        DWORD process = 0;
        GetWindowThreadProcessId(windows[z], &process);
        if (!processes.count(process))
            continue;
        out += (first ? "" : ", ") + topLevel(windows[z], int(z), process);
        first = false;
    }
    out += "]}\n";

    // The bytes go out as they are: no console code page may translate them.
    const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD written = 0;
    for (std::size_t offset = 0; offset < out.size(); offset += written) {
        if (!WriteFile(output, out.data() + offset, DWORD(out.size() - offset), &written, nullptr)
            || written == 0)
            return 1;
    }
    return 0;
}
