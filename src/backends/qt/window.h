#pragma once

#include "shell/backend.h"

#include <QWidget>

#include <vector>

namespace qtbackend {

class QtBackend;

// The top-level widget of a window: its frame, background, pointer and border, and what the
// desktop tells the runtime about it.
class WindowWidget final : public QWidget
{
public:
    WindowWidget(const shell::FormLayout& layout, shell::WindowEvents& events);

    // The window's place on the screen. The stored position is the client area's; the border and
    // title bar that the window draws itself, if any, lie around it.
    QRect frameRect() const;
    // What the window draws itself around its client area (frame.h).
    const QMargins& margins() const { return m_margins; }
    // Repaints the window and reports the paint to the runtime.
    void repaintAndReport();

protected:
    void closeEvent(QCloseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    const shell::FormLayout& m_layout;
    shell::WindowEvents& m_events;
    const QMargins m_margins;
    bool m_reportPending = false;
};

// A form's window on Qt, kept for the whole run: a top-level widget with the controls as its
// children, which Qt orders (focus chain, reading order) as they are created.
class Window final : public shell::NativeWindow
{
public:
    Window(QtBackend& backend, const shell::FormLayout& layout, shell::WindowEvents& events);

    shell::NativeControl& createControl(std::size_t index) override;
    void setLabelFor(std::size_t label, std::size_t control) override;
    void place() override;
    void show(bool modal) override;
    void hide() override;

    WindowWidget* widget() const { return m_widget.get(); }

private:
    const shell::FormLayout& m_layout;
    shell::WindowEvents& m_events;
    std::unique_ptr<WindowWidget> m_widget;
    std::vector<QWidget*> m_controls; // by index in the layout
};

}
