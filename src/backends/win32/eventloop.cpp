#include "backend.h"
#include "shell/errors.h"
#include "timer.h"
#include "window.h"

#include <algorithm>

namespace win32backend {

namespace {

    class EventLoop final : public shell::EventLoop
    {
    public:
        explicit EventLoop(Win32Backend& backend)
            : m_backend(backend)
        {
        }

        void exec() override
        {
            while (!m_exit) {
                if (!m_backend.deliverNext()) {
                    // The program is quitting: the loops further out must see it too.
                    m_backend.quit(m_backend.status());
                    return;
                }
            }
        }

        // Every exit happens inside a message that this loop or one nested in it delivers, so the
        // loop sees it as soon as that message's handling returns.
        void exit() override { m_exit = true; }

    private:
        Win32Backend& m_backend;
        bool m_exit = false;
    };

}

std::unique_ptr<shell::EventLoop> Win32Backend::createEventLoop()
{
    return std::make_unique<EventLoop>(*this);
}

// Windows and Wine post a window timer's message only at the system timer's first tick after its
// due time, up to a few milliseconds late, and the progress window's hundred 10 ms steps would add
// that up. So the program's own loops wait for the messages or for the earliest due time, whichever
// comes first, wake a little before that time, since a wait is only as precise as the system's
// timer, wait out the rest and tick the timer themselves. The window timers' messages remain for
// the loops that are not the program's, a message box's.
//
// When no message is left, the program is idle: what its windows painted goes to the screen (Wine
// copies it to the X server as the queue is found empty), and their paints are reported. A timer
// that fell due before that comes first: it fell due before the paint reached the screen.
bool Win32Backend::deliverNext()
{
    for (;;) {
        MSG message;
        if (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                if (!std::exchange(m_quit, true))
                    m_status = int(message.wParam);
                return false;
            }
            dispatch(message);
            return true;
        }
        Timer* timer = nextDue();
        const LONGLONG left = timer ? timer->due() - performanceCounter() : 0;
        if (timer && left <= 0) {
            timer->ticked();
            return true;
        }
        if (!m_unreportedPaints.empty()) {
            for (Window* window : std::exchange(m_unreportedPaints, {}))
                window->reportPainted();
            return true;
        }
        DWORD timeout = INFINITE;
        if (timer) {
            const LONGLONG millisecond = performanceFrequency() / 1000;
            if (left <= 2 * millisecond) {
                Sleep(0);
                continue;
            }
            timeout = DWORD(left / millisecond - 1);
        }
        if (MsgWaitForMultipleObjectsEx(0, nullptr, timeout, QS_ALLINPUT, MWMO_INPUTAVAILABLE) == WAIT_FAILED)
            throw shell::RuntimeError(
                shell::error::Internal, "MsgWaitForMultipleObjectsEx " + std::to_string(GetLastError()));
    }
}

void Win32Backend::reportPaintWhenIdle(Window* window)
{
    if (std::find(m_unreportedPaints.begin(), m_unreportedPaints.end(), window) == m_unreportedPaints.end())
        m_unreportedPaints.push_back(window);
}

Timer* Win32Backend::nextDue() const
{
    Timer* next = nullptr;
    for (Timer* timer : m_timers) {
        if (timer->due() && (!next || timer->due() < next->due()))
            next = timer;
    }
    return next;
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

int Win32Backend::exec()
{
    while (!m_quit && deliverNext()) { }
    return m_status;
}

void Win32Backend::quit(int status)
{
    m_quit = true;
    m_status = status;
    PostQuitMessage(status);
}

}
