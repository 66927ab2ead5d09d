#pragma once

#include "shell/backend.h"
#include "shell/pixelart.h"

#include <QFont>
#include <QIcon>
#include <QImage>
#include <QPointer>
#include <QWidget>

#include <vector>

namespace qtbackend {

// The forms runtime's windows, controls, loops and message boxes on Qt 6 Widgets.
class QtBackend final : public shell::Backend
{
public:
    QtBackend();
    ~QtBackend() override;

    std::unique_ptr<shell::NativeWindow> createWindow(
        const shell::FormLayout& layout, shell::WindowEvents& events) override;
    std::unique_ptr<shell::EventLoop> createEventLoop() override;
    void messageBox(std::string_view prompt, shell::MsgStyle style, std::string_view title) override;
    void closeAll() override;
    shell::DateFormat dateFormat() const override;
    int exec() override;
    void quit(int status) override;

    // The one font of every control of every window.
    const QFont& font() const { return m_font; }

    // Called by a window being unloaded: the widget is hidden now and deleted once control is
    // back in the event loop, or at the latest when the back end goes.
    void retire(QWidget* window);

private:
    QFont m_font;
    std::vector<QPointer<QWidget>> m_retired;
};

// The top-level widget of a loaded window, for the back end's own tests.
QWidget* widgetOf(const shell::NativeWindow* window);

QImage toImage(const shell::PixelImage& image);
QIcon pixelArtIcon(std::string_view art);

inline QString toQString(std::string_view utf8)
{
    return QString::fromUtf8(utf8.data(), qsizetype(utf8.size()));
}

}
