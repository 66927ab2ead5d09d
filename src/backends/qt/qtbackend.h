#pragma once

#include "shell/backend.h"
#include "shell/pixelart.h"

#include <QFont>
#include <QIcon>
#include <QImage>
#include <QWidget>

#include <memory>
#include <unordered_map>

namespace qtbackend {

class FormWindow;

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
    // Windows unloaded while shown leave the screen a moment later, at the latest when the next
    // window or message box is shown: this takes them off now.
    void hideUnloadedWindows();

private:
    QFont m_font;
    // Each layout's window, built at its first load and kept until the back end goes.
    std::unordered_map<const shell::FormLayout*, std::unique_ptr<FormWindow>> m_windows;
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
