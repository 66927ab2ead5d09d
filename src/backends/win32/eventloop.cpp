#include "backend.h"
#include "shell/errors.h"

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

bool Win32Backend::deliverNext()
{
    MSG message;
    const BOOL got = GetMessageW(&message, nullptr, 0, 0);
    if (got < 0)
        throw shell::RuntimeError(shell::error::Internal, "GetMessageW " + std::to_string(GetLastError()));
    if (got == 0) {
        if (!std::exchange(m_quit, true))
            m_status = int(message.wParam);
        return false;
    }
    dispatch(message);
    return true;
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
