#include "window.h"

#include "backend.h"
#include "controls.h"
#include "frame.h"
#include "icon.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QCloseEvent>
#include <QWindow>

namespace qtbackend {

namespace {

    // Screen readers announce a form's window as a frame with its caption, like any application
    // window, rather than as an anonymous pane.
    QAccessibleInterface* accessibleWindow(const QString&, QObject* object)
    {
        if (auto* window = dynamic_cast<WindowWidget*>(object))
            return new QAccessibleWidget(window, QAccessible::Window);
        return nullptr;
    }

    QRect pixelRect(int left, int top, int width, int height)
    {
        return QRect(shell::pixels(left), shell::pixels(top), shell::pixels(width), shell::pixels(height));
    }

}

WindowWidget::WindowWidget(const shell::FormLayout& layout, shell::WindowEvents& events)
    : m_layout(layout)
    , m_events(events)
    // The frame's flags and hints, and the title bar that the window may draw itself, are the
    // frame's business (frame.cpp).
    , m_margins(frame::decorate(*this, toQString(layout.caption)))
{
    static const bool accessibleInstalled = (QAccessible::installFactory(accessibleWindow), true);
    Q_UNUSED(accessibleInstalled)

    setWindowTitle(toQString(layout.caption));
    setObjectName(toQString(layout.caption));
    setFixedSize(frameRect().size());
    if (layout.iconArt)
        setWindowIcon(pixelArtIcon(*layout.iconArt));
    if (layout.background == shell::SystemColour::WindowText) {
        QPalette colours = palette();
        colours.setColor(QPalette::Window, colours.color(QPalette::WindowText));
        setPalette(colours);
        setAutoFillBackground(true);
    }
    if (layout.pointer == shell::Pointer::NoDrop)
        setCursor(Qt::ForbiddenCursor);
}

QRect WindowWidget::frameRect() const
{
    const QRect client = pixelRect(m_layout.left, m_layout.top, m_layout.width, m_layout.height);
    return client.marginsAdded(m_margins);
}

void WindowWidget::repaintAndReport()
{
    m_reportPending = true;
    update();
}

void WindowWidget::closeEvent(QCloseEvent* event)
{
    // A close request from the desktop goes to the runtime, which unloads the window.
    event->ignore();
    m_events.closeRequested();
}

// The paint is reported once control is back in the event loop, since the runtime may do anything
// with it, and a paint event is no place for a message box. By then Qt has sent the picture to the
// window system; the report waits until the window system has drawn it, so that a tick waiting
// for the paint never takes away a caption that has not been on the screen. Qt paints a window
// that it has just mapped at once, but under a window manager that reparents it the picture is
// lost until the manager has mapped its frame too: then the window is painted again, and that
// paint is the one reported.
void WindowWidget::paintEvent(QPaintEvent* event)
{
    QWidget::paintEvent(event);
    // The border that the window draws itself, if any (frame.cpp).
    frame::paintBorder(*this, m_margins);
    if (m_reportPending && frame::isViewable(*this)) {
        m_reportPending = false;
        QMetaObject::invokeMethod(
            this,
            [this] {
                frame::waitForDisplay();
                m_events.painted();
            },
            Qt::QueuedConnection);
    }
}

Window::Window(QtBackend& backend, const shell::FormLayout& layout, shell::WindowEvents& events)
    : m_layout(layout)
    , m_events(events)
    , m_widget(std::make_unique<WindowWidget>(layout, events))
    , m_controls(layout.controls.size(), nullptr)
{
    m_widget->setFont(backend.font());
}

shell::NativeControl& Window::createControl(std::size_t index)
{
    const shell::ControlRecord& record = m_layout.controls[index];
    shell::NativeControl* control = qtbackend::createControl(record, m_widget.get());
    QWidget* widget = widgetOf(control);
    widget->setObjectName(toQString(record.name));
    const QMargins& margins = m_widget->margins();
    widget->setGeometry(
        pixelRect(record.left, record.top, record.width, record.height).translated(margins.left(), margins.top()));
    if (auto* button = qobject_cast<CommandButton*>(widget))
        QObject::connect(button, &QPushButton::clicked, m_widget.get(), [this, index] { m_events.clicked(index); });
    m_controls[index] = widget;
    return *control;
}

// Screen readers name a text or combo box by the label that is its buddy.
void Window::setLabelFor(std::size_t label, std::size_t control)
{
    if (auto* widget = qobject_cast<QLabel*>(m_controls[label]))
        widget->setBuddy(m_controls[control]);
}

void Window::place()
{
    m_widget->setWindowState(Qt::WindowNoState);
    m_widget->setGeometry(m_widget->frameRect());
}

// A window still on the screen from its last load keeps its modality and its place; it is only
// raised and painted anew with what the new load put in it. One that the desktop has taken off the
// screen meanwhile (minimised, or withdrawn by its window manager) would never be painted, and
// its timers would wait for that paint: it is mapped anew, as a window that was hidden is.
void Window::show(bool modal)
{
    const QWindow* native = m_widget->windowHandle();
    if (m_widget->isVisible() && (m_widget->isMinimized() || !native || !native->isExposed()))
        m_widget->hide();
    if (!m_widget->isVisible()) {
        m_widget->setWindowModality(modal ? Qt::ApplicationModal : Qt::NonModal);
        // The window's hints and owner, told to the desktop before it maps the window (frame.cpp).
        frame::prepareShow(*m_widget, modal);
        m_widget->show();
    } else {
        m_widget->raise();
    }
    m_widget->activateWindow();
    m_widget->repaintAndReport();
}

void Window::hide()
{
    m_widget->hide();
}

std::unique_ptr<shell::NativeWindow> QtBackend::createWindow(
    const shell::FormLayout& layout, shell::WindowEvents& events)
{
    return std::make_unique<Window>(*this, layout, events);
}

QWidget* widgetOf(const shell::NativeWindow* window)
{
    const auto* qtWindow = dynamic_cast<const Window*>(window);
    return qtWindow ? qtWindow->widget() : nullptr;
}

}
