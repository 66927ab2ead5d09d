#include "win32backend.h"

#include "controls.h"
#include "dpi.h"
#include "shell/errors.h"
#include "shell/pixelart.h"
#include "text.h"

#include <algorithm>
#include <cstdint>

namespace win32backend {

namespace {

    constexpr wchar_t windowClassName[] = L"ScherzettoForm";

    // Private messages of a form window: put a combo box's text back once the box has finished
    // with its list; hand the activation on to the window that takes input.
    constexpr UINT restoreTextMessage = WM_APP + 1;
    constexpr UINT activateInputWindowMessage = WM_APP + 2;

    // Control identifiers start above those of the dialog manager (IDOK, IDCANCEL...), so that
    // its commands are never taken for a control's.
    constexpr int firstControlId = 100;
    constexpr UINT_PTR firstTimerId = 1;

    LRESULT CALLBACK windowProcedure(HWND handle, UINT message, WPARAM wParam, LPARAM lParam);

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

    // The order in which the controls are created, which is their order in z and for the dialog
    // manager: the tab order, with each label that names a control just before that control, where
    // screen readers look for a text or combo box's name.
    std::vector<std::size_t> creationOrder(const shell::FormLayout& layout)
    {
        std::vector<std::size_t> order;
        for (std::size_t i = 0; i < layout.controls.size(); ++i) {
            if (layout.controls[i].kind != shell::ControlKind::Timer)
                order.push_back(i);
        }
        std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
            return layout.controls[a].tabIndex < layout.controls[b].tabIndex;
        });
        for (std::size_t i = 0; i < layout.controls.size(); ++i) {
            const int buddy = shell::controlIndex(layout, layout.controls[i].options.buddy);
            if (layout.controls[i].options.buddy.empty() || buddy < 0)
                continue;
            order.erase(std::find(order.begin(), order.end(), i));
            order.insert(std::find(order.begin(), order.end(), std::size_t(buddy)), i);
        }
        return order;
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
                && IsWindowEnabled(window)
                && (isClass(window, windowClassName) || isClass(window, L"#32770")))
                return window;
        }
        return nullptr;
    }

    LONGLONG performanceFrequency()
    {
        static const LONGLONG frequency = [] {
            LARGE_INTEGER value;
            QueryPerformanceFrequency(&value);
            return value.QuadPart;
        }();
        return frequency;
    }

    LONGLONG performanceCounter()
    {
        LARGE_INTEGER value;
        QueryPerformanceCounter(&value);
        return value.QuadPart;
    }

    HICON iconFromArt(const shell::PixelImage& image, int size)
    {
        BITMAPINFO info {};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = size;
        info.bmiHeader.biHeight = -size; // top row first
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        const HBITMAP colour = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        if (!colour)
            return nullptr;
        // The AND mask: one bit a pixel, set where the icon is transparent, rows of whole words.
        const int maskStride = (size + 15) / 16 * 2;
        std::vector<BYTE> mask(std::size_t(maskStride * size), 0xFF);
        auto* pixels = static_cast<std::uint32_t*>(bits);
        for (int y = 0; y < size; ++y) {
            for (int x = 0; x < size; ++x) {
                // Pixel art grows by repeating pixels, never by blurring them.
                const bool opaque = image.isOpaque(x * image.width / size, y * image.height / size);
                pixels[y * size + x] = opaque ? 0xFF000000u : 0u;
                if (opaque)
                    mask[std::size_t(y * maskStride + x / 8)] &= BYTE(~(0x80 >> (x % 8)));
            }
        }
        const HBITMAP maskBitmap = CreateBitmap(size, size, 1, 1, mask.data());
        ICONINFO icon { TRUE, 0, 0, maskBitmap, colour };
        const HICON handle = maskBitmap ? CreateIconIndirect(&icon) : nullptr;
        DeleteObject(colour);
        if (maskBitmap)
            DeleteObject(maskBitmap);
        return handle;
    }

}

// One loaded window: a top-level window with its controls and timers.
class FormWindow final : public shell::NativeWindow
{
public:
    FormWindow(Win32Backend& backend, const shell::FormLayout& layout, shell::WindowEvents& events);
    ~FormWindow() override;

    shell::NativeControl* control(std::size_t index) override { return m_controls[index].get(); }
    void show(bool modal) override;
    bool isVisible() const override { return m_shown && IsWindowVisible(m_handle); }
    void close() override;
    bool isShown() const { return m_shown; }

    HWND handle() const { return m_handle; }
    void attach(HWND handle) { m_handle = handle; }
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam);

private:
    struct Timer
    {
        std::size_t index;
        UINT interval;
        LONGLONG due; // in performance counter ticks
        bool shortened; // set for the rest of an interval that a tick came too early for
    };

    DWORD style() const;
    DWORD exStyle() const { return WS_EX_APPWINDOW; }
    // The window's size for a client area laid out at one density inside a frame that Windows
    // draws at another: the same two but for the back end's tests, which fix the first.
    SIZE frameSize(UINT layoutDpi, UINT frameDpi) const;
    void layOut();
    void setIcons();
    void focusFirst();
    void restoreFocus();
    Control* controlOf(HWND handle) const;
    LRESULT command(WPARAM wParam);
    LRESULT controlColours(UINT message, WPARAM wParam, LPARAM lParam);
    void startTimer(Timer& timer);
    void timerTicked(UINT_PTR id);
    void stopTimers();

    Win32Backend& m_backend;
    const shell::FormLayout& m_layout;
    shell::WindowEvents& m_events;
    HWND m_handle = nullptr;
    UINT m_dpi = ReferenceDpi;
    std::vector<std::unique_ptr<Control>> m_controls; // by index in the layout; none for timers
    std::vector<Timer> m_timers;
    std::vector<HWND> m_disabled; // the windows that this one's modal showing disabled
    HWND m_previousActive = nullptr;
    HWND m_lastFocus = nullptr;
    bool m_shown = false;
};

FormWindow::FormWindow(Win32Backend& backend, const shell::FormLayout& layout, shell::WindowEvents& events)
    : m_backend(backend)
    , m_layout(layout)
    , m_events(events)
{
    std::optional<RetiredWindow> adopted = backend.adopt(layout);
    if (adopted) {
        m_handle = adopted->handle;
        m_dpi = adopted->dpi;
        m_previousActive = adopted->previousActive;
        m_disabled = std::move(adopted->disabled);
        m_controls = std::move(adopted->controls);
        SetWindowLongPtrW(m_handle, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    } else {
        // The layout gives the client area's position on the screen. Until the window exists its
        // monitor is unknown, so the system's density places it, and its own then sizes it.
        const UINT placingDpi = backend.fixedDpi() ? backend.fixedDpi() : systemDpi();
        // dpi.cpp's layoutWindow() scales a window without a title bar border included.
        const RECT frame = layoutWindow(layout, style(), exStyle(), placingDpi, systemDpi());
        const std::wstring caption = toWide(layout.caption);
        CreateWindowExW(exStyle(), windowClassName, caption.c_str(), style(), frame.left, frame.top,
            frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr, GetModuleHandleW(nullptr),
            this);
        if (!m_handle)
            throw shell::RuntimeError(shell::error::Internal, "CreateWindowExW");
    }
    backend.add(this);

    try {
        // Timers run from the moment the window is loaded.
        for (std::size_t index = 0; index < layout.controls.size(); ++index) {
            if (layout.controls[index].kind == shell::ControlKind::Timer)
                m_timers.push_back(
                    { index, UINT(std::max(layout.controls[index].options.interval, 1)), 0, false });
        }
        for (Timer& timer : m_timers)
            startTimer(timer);

        const UINT dpi = backend.fixedDpi() ? backend.fixedDpi() : windowDpi(m_handle);
        if (adopted) {
            // An earlier load's controls, back at their layout values.
            for (const std::unique_ptr<Control>& control : m_controls) {
                if (control)
                    control->reset();
            }
        } else {
            m_controls.resize(layout.controls.size());
            bool afterOptionButton = false;
            for (std::size_t index : creationOrder(layout)) {
                const shell::ControlRecord& record = layout.controls[index];
                // The window's option buttons form one group, which its other controls close.
                const bool optionButton = record.kind == shell::ControlKind::OptionButton;
                m_controls[index] = std::make_unique<Control>(
                    m_handle, record, firstControlId + int(index), !(optionButton && afterOptionButton));
                afterOptionButton = optionButton;
            }
        }
        if (!adopted || dpi != m_dpi) {
            m_dpi = dpi;
            layOut();
            setIcons();
        }
    } catch (...) {
        stopTimers();
        backend.remove(this);
        DestroyWindow(m_handle);
        throw;
    }
}

FormWindow::~FormWindow()
{
    stopTimers();
    // From here on the window speaks for nobody; it leaves the screen at the next settle().
    SetWindowLongPtrW(m_handle, GWLP_USERDATA, 0);
    m_backend.remove(this);
    m_backend.retire(
        { m_handle, &m_layout, m_previousActive, std::move(m_disabled), m_dpi, std::move(m_controls) });
}

DWORD FormWindow::style() const
{
    // A fixed single-line frame with the caption alone in its title bar: no system menu, no
    // buttons. Without a caption, no title bar either: only the one-pixel border.
    const DWORD frame = m_layout.caption.empty() ? WS_POPUP | WS_BORDER : WS_OVERLAPPED | WS_CAPTION;
    return frame | WS_CLIPCHILDREN;
}

SIZE FormWindow::frameSize(UINT layoutDpi, UINT frameDpi) const
{
    // The same size as the window opens with (dpi.cpp's layoutWindow()).
    const RECT frame = layoutWindow(m_layout, style(), exStyle(), layoutDpi, frameDpi);
    return { frame.right - frame.left, frame.bottom - frame.top };
}

// Sizes the window and its controls for its density, keeping its position.
void FormWindow::layOut()
{
    const SIZE size = frameSize(m_dpi, windowDpi(m_handle));
    SetWindowPos(m_handle, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    const HFONT font = m_backend.font(m_dpi);
    for (const std::unique_ptr<Control>& control : m_controls) {
        if (control)
            control->place(m_dpi, font);
    }
}

void FormWindow::setIcons()
{
    if (!m_layout.iconArt)
        return;
    SendMessageW(m_handle, WM_SETICON, ICON_BIG,
        reinterpret_cast<LPARAM>(m_backend.icon(*m_layout.iconArt, m_dpi, true)));
    SendMessageW(m_handle, WM_SETICON, ICON_SMALL,
        reinterpret_cast<LPARAM>(m_backend.icon(*m_layout.iconArt, m_dpi, false)));
}

void FormWindow::show(bool modal)
{
    // Shown before settling, which hides loaded windows that are not.
    m_shown = true;
    m_backend.settle();
    if (!modal) {
        m_backend.enableAll(std::exchange(m_disabled, {}));
    } else {
        for (FormWindow* other : m_backend.windows()) {
            const HWND window = other->handle();
            if (other != this && IsWindowVisible(window) && IsWindowEnabled(window)) {
                EnableWindow(window, FALSE);
                m_disabled.push_back(window);
            }
        }
    }
    // A window that takes over an earlier load's is on screen and active already.
    if (!IsWindowVisible(m_handle)) {
        m_previousActive = GetActiveWindow();
        ShowWindow(m_handle, SW_SHOW);
        SetForegroundWindow(m_handle);
    }
    focusFirst();
    // Every text is painted now, the controls' included, and each timer's interval counts from
    // here: a window that lives a single tick is seen with its text before it goes, also where
    // the screen takes the painting only once the program waits for its next event.
    RedrawWindow(m_handle, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    GdiFlush();
    for (Timer& timer : m_timers)
        startTimer(timer);
}

void FormWindow::close()
{
    stopTimers();
    m_shown = false;
    ShowWindow(m_handle, SW_HIDE);
}

// The first control in tab order that can take the focus; a disabled button is passed over.
void FormWindow::focusFirst()
{
    for (std::size_t index : shell::tabOrder(m_layout)) {
        const Control* control = m_controls[index].get();
        if (control && IsWindowEnabled(control->handle())) {
            SetFocus(control->handle());
            return;
        }
    }
}

void FormWindow::restoreFocus()
{
    if (m_lastFocus && IsChild(m_handle, m_lastFocus) && IsWindowEnabled(m_lastFocus))
        SetFocus(m_lastFocus);
    else
        focusFirst();
}

Control* FormWindow::controlOf(HWND handle) const
{
    for (const std::unique_ptr<Control>& control : m_controls) {
        if (control && control->handle() == handle)
            return control.get();
    }
    return nullptr;
}

// Messages that reach the runtime end the handling of the message: the runtime may unload, and
// so destroy, this window from inside them.
LRESULT FormWindow::handleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND:
        return command(wParam);
    case WM_TIMER:
        timerTicked(wParam);
        return 0;
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
    case WM_GETDPISCALEDSIZE:
        if (!m_backend.fixedDpi()) {
            *reinterpret_cast<SIZE*>(lParam) = frameSize(LOWORD(wParam), LOWORD(wParam));
            return TRUE;
        }
        break;
    case WM_DPICHANGED:
        // The window moved to a monitor of another density, or its monitor's scale changed: at the
        // size that the layout gives at the new density, with its controls and font to match.
        if (!m_backend.fixedDpi()) {
            // On the same monitor, at the layout's place for the new density (dpi.cpp).
            const POINT place = placeAfterDensityChange(m_handle, m_layout, style(), exStyle(), m_dpi,
                LOWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
            m_dpi = LOWORD(wParam);
            SetWindowPos(
                m_handle, nullptr, place.x, place.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            layOut();
            setIcons();
            InvalidateRect(m_handle, nullptr, TRUE);
        }
        return 0;
    case restoreTextMessage:
        if (wParam < m_controls.size() && m_controls[wParam])
            m_controls[wParam]->restoreText();
        return 0;
    default:
        break;
    }
    return DefWindowProcW(m_handle, message, wParam, lParam);
}

LRESULT FormWindow::command(WPARAM wParam)
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

LRESULT FormWindow::controlColours(UINT message, WPARAM wParam, LPARAM lParam)
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

// Timers are window timers, which also tick inside message boxes and every other modal loop, where
// a waitable timer would need a loop of the program's own. The program raises the system's timer
// resolution to 1 ms for its run (runApplication), so that a 10 ms interval is not stretched to the
// default 15.6 ms tick, and asks Windows not to coalesce them. A window timer may still come a
// fraction of a tick early: the performance counter tells, and the rest is waited out here when it
// is a matter of a millisecond or two, or else the timer is set again for what remains (at least
// Windows' 10 ms minimum). Either way no tick comes before its interval has passed.
void FormWindow::startTimer(Timer& timer)
{
    timer.due = performanceCounter() + LONGLONG(timer.interval) * performanceFrequency() / 1000;
    setPreciseTimer(m_handle, firstTimerId + std::size_t(&timer - m_timers.data()), timer.interval);
}

void FormWindow::timerTicked(UINT_PTR id)
{
    if (id < firstTimerId || id - firstTimerId >= m_timers.size())
        return;
    Timer& timer = m_timers[id - firstTimerId];
    const LONGLONG millisecond = performanceFrequency() / 1000;
    LONGLONG now = performanceCounter();
    if (timer.due - now > 2 * millisecond) {
        setPreciseTimer(m_handle, id, UINT((timer.due - now + millisecond - 1) / millisecond));
        timer.shortened = true;
        return;
    }
    while (now < timer.due) {
        Sleep(timer.due - now > millisecond ? 1 : 0);
        now = performanceCounter();
    }
    // The next interval counts from this tick.
    timer.due = now + LONGLONG(timer.interval) * performanceFrequency() / 1000;
    if (std::exchange(timer.shortened, false))
        setPreciseTimer(m_handle, id, timer.interval);
    m_events.timerElapsed(timer.index);
}

void FormWindow::stopTimers()
{
    for (std::size_t i = 0; i < m_timers.size(); ++i)
        KillTimer(m_handle, firstTimerId + i);
    m_timers.clear();
}

namespace {

    LRESULT CALLBACK windowProcedure(HWND handle, UINT message, WPARAM wParam, LPARAM lParam)
    {
        // Nothing thrown may cross a window procedure: Windows' own frames lie beneath it.
        try {
            if (message == WM_NCCREATE) {
                auto* window
                    = static_cast<FormWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
                window->attach(handle);
                SetWindowLongPtrW(handle, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(window));
            }
            if (auto* window = reinterpret_cast<FormWindow*>(GetWindowLongPtrW(handle, GWLP_USERDATA)))
                return window->handleMessage(message, wParam, lParam);
            // A retired window waits for its destruction and closes for nobody.
            if (message == WM_CLOSE)
                return 0;
        } catch (...) {
        }
        return DefWindowProcW(handle, message, wParam, lParam);
    }

    class Win32Loop final : public shell::EventLoop
    {
    public:
        explicit Win32Loop(Win32Backend& backend)
            : m_backend(backend)
        {
        }

        void exec() override
        {
            MSG message;
            while (!m_exit) {
                m_backend.settle();
                const BOOL got = GetMessageW(&message, nullptr, 0, 0);
                if (got <= 0) {
                    // The program is quitting: the loops further out must see it too.
                    if (got == 0)
                        PostQuitMessage(int(message.wParam));
                    return;
                }
                m_backend.dispatch(message);
            }
        }

        // Every exit happens inside a message that this loop or one nested in it delivers, so the
        // loop sees it as soon as that message's handling returns.
        void exit() override { m_exit = true; }

    private:
        Win32Backend& m_backend;
        bool m_exit = false;
    };

    BOOL CALLBACK endMessageBox(HWND window, LPARAM)
    {
        if (isClass(window, L"#32770")) {
            EndDialog(window, IDOK);
            PostMessageW(window, WM_NULL, 0, 0);
        }
        return TRUE;
    }

    std::string localeInfo(LCTYPE type)
    {
        wchar_t buffer[128] = {};
        const int length = GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, type, buffer, 128);
        return length > 0 ? toUtf8(std::wstring_view(buffer, std::size_t(length - 1))) : std::string();
    }

}

Win32Backend::Win32Backend(UINT fixedDpi)
    : m_fixedDpi(fixedDpi)
{
    WNDCLASSEXW windowClass {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = windowProcedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = windowClassName;
    m_windowClass = RegisterClassExW(&windowClass);
}

Win32Backend::~Win32Backend()
{
    settle();
    for (const auto& [dpi, font] : m_fonts)
        DeleteObject(font);
    for (const auto& [key, icon] : m_icons)
        DestroyIcon(icon);
    if (m_windowClass)
        UnregisterClassW(windowClassName, GetModuleHandleW(nullptr));
}

std::unique_ptr<shell::NativeWindow> Win32Backend::createWindow(
    const shell::FormLayout& layout, shell::WindowEvents& events)
{
    return std::make_unique<FormWindow>(*this, layout, events);
}

std::unique_ptr<shell::EventLoop> Win32Backend::createEventLoop()
{
    return std::make_unique<Win32Loop>(*this);
}

void Win32Backend::dispatch(MSG& message)
{
    // Holding Enter down on a button clicks it once, not once per repeated key.
    if (message.message == WM_KEYDOWN && message.wParam == VK_RETURN && (message.lParam & (1 << 30)))
        return;
    const HWND root = message.hwnd ? GetAncestor(message.hwnd, GA_ROOT) : nullptr;
    if (root && isForm(root) && IsDialogMessageW(root, &message))
        return;
    TranslateMessage(&message);
    DispatchMessageW(&message);
}

// The box belongs to the program's active window and keeps every other window of the program
// from taking input until it is dismissed.
void Win32Backend::messageBox(std::string_view prompt, shell::MsgStyle style, std::string_view title)
{
    settle();
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
    settle();
    EnumThreadWindows(GetCurrentThreadId(), endMessageBox, 0);
}

shell::DateFormat Win32Backend::dateFormat() const
{
    shell::DateFormat format;
    format.shortPattern = localeInfo(LOCALE_SSHORTDATE);
    for (LCTYPE month = 0; month < 12; ++month) {
        format.monthNames[month] = localeInfo(LOCALE_SMONTHNAME1 + month);
        format.shortMonthNames[month] = localeInfo(LOCALE_SABBREVMONTHNAME1 + month);
    }
    return format;
}

int Win32Backend::exec()
{
    MSG message;
    while (!m_quit) {
        settle();
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got == 0)
            return m_quit ? m_status : int(message.wParam);
        if (got < 0)
            break;
        dispatch(message);
    }
    return m_status;
}

void Win32Backend::quit(int status)
{
    m_quit = true;
    m_status = status;
    PostQuitMessage(status);
}

HFONT Win32Backend::font(UINT dpi)
{
    HFONT& font = m_fonts[dpi];
    if (!font) {
        const LOGFONTW description = controlFont(dpi);
        font = CreateFontIndirectW(&description);
    }
    return font;
}

HICON Win32Backend::icon(const std::string_view& art, UINT dpi, bool big)
{
    const int size = systemMetric(big ? SM_CXICON : SM_CXSMICON, dpi);
    HICON& icon = m_icons[{ &art, size }];
    if (!icon) {
        // The image drawn for the size, or else the next larger one, or else the largest.
        const std::vector<shell::PixelImage> images = shell::pixelArtImages(art);
        const shell::PixelImage* best = nullptr;
        for (const shell::PixelImage& image : images) {
            const bool better = !best
                || (image.width >= size ? best->width < size || image.width < best->width
                                        : best->width < image.width);
            if (better)
                best = &image;
        }
        if (best)
            icon = iconFromArt(*best, size);
    }
    return icon;
}

void Win32Backend::remove(FormWindow* window)
{
    std::erase(m_windows, window);
}

void Win32Backend::enableAll(const std::vector<HWND>& windows)
{
    for (HWND window : windows) {
        if (isForm(window))
            EnableWindow(window, TRUE);
    }
}

bool Win32Backend::isForm(HWND handle) const
{
    return handle && std::any_of(m_windows.begin(), m_windows.end(), [&](FormWindow* w) {
        return w->handle() == handle;
    });
}

void Win32Backend::retire(RetiredWindow window)
{
    m_retired.push_back(std::move(window));
}

std::optional<RetiredWindow> Win32Backend::adopt(const shell::FormLayout& layout)
{
    const auto found = std::find_if(m_retired.begin(), m_retired.end(),
        [&](const RetiredWindow& retired) { return retired.layout == &layout; });
    if (found == m_retired.end())
        return std::nullopt;
    RetiredWindow window = std::move(*found);
    m_retired.erase(found);
    return window;
}

void Win32Backend::settle()
{
    for (FormWindow* window : std::vector(m_windows)) {
        if (!window->isShown() && IsWindowVisible(window->handle()))
            ShowWindow(window->handle(), SW_HIDE);
    }
    const std::vector<RetiredWindow> retired = std::exchange(m_retired, {});
    for (const RetiredWindow& window : retired) {
        // The windows beneath take input again before this one goes; otherwise Windows would
        // hand the activation to another program's window.
        enableAll(window.disabled);
        if (GetActiveWindow() == window.handle && isForm(window.previousActive)
            && IsWindowVisible(window.previousActive))
            SetActiveWindow(window.previousActive);
        ShowWindow(window.handle, SW_HIDE);
        DestroyWindow(window.handle);
    }
}

HWND windowHandle(const shell::NativeWindow* window)
{
    const auto* form = dynamic_cast<const FormWindow*>(window);
    return form ? form->handle() : nullptr;
}

}
