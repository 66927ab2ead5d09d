#pragma once

#include "shell/backend.h"

#include <QFont>
#include <QString>
#include <QWidget>

namespace qtbackend {

// The forms runtime's windows, controls, timers, loops and message boxes on Qt 6 Widgets. Each
// job has a file of its own: window.cpp, controls.cpp, timer.cpp, eventloop.cpp, messagebox.cpp,
// locale.cpp and icon.cpp; application.cpp starts the program on it.
class QtBackend final : public shell::Backend
{
public:
    QtBackend();
    ~QtBackend() override;

    std::unique_ptr<shell::NativeWindow> createWindow(
        const shell::FormLayout& layout, shell::WindowEvents& events) override;
    std::unique_ptr<shell::IntervalTimer> createTimer(std::function<void()> elapsed) override;
    std::unique_ptr<shell::EventLoop> createEventLoop() override;
    void post(std::function<void()> task) override;
    void messageBox(std::string_view prompt, shell::MsgStyle style, std::string_view title) override;
    void closeAll() override;
    shell::DateFormat dateFormat() const override;
    int exec() override;
    void quit(int status) override;

    // The one font of every control of every window.
    const QFont& font() const { return m_font; }

private:
    QFont m_font;
};

// The top-level widget of a window, for the back end's own tests.
QWidget* widgetOf(const shell::NativeWindow* window);

inline QString toQString(std::string_view utf8)
{
    return QString::fromUtf8(utf8.data(), qsizetype(utf8.size()));
}

}
