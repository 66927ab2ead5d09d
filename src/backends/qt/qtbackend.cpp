#include "qtbackend.h"

#include "controls.h"
#include "frame.h"
#include "intervaltimer.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QLocale>
#include <QMessageBox>
#include <QPixmap>
#include <QStyle>

#include <algorithm>

namespace qtbackend {

// The top-level widget of a window with its controls and timers. It is built once for its layout
// record and kept from one load of the window to the next, so that a window that is loaded again
// and again (the progress window, a hundred times) does not cost the desktop a new native window
// each time. Every load starts each control afresh from the record all the same, every unload
// stops the timers and takes the window off the screen, and every showing maps it again. A window
// without a caption has no title bar, only a one-pixel border that it draws itself around the
// client area.
class FormWindow final : public QWidget
{
public:
    FormWindow(QtBackend& backend, const shell::FormLayout& layout);

    // Resets the controls from the layout record and starts the timers: the window as a new load
    // has it, still hidden. Until unload, it speaks for its window to `events`.
    void load(shell::WindowEvents& events);
    void unload();
    bool isLoaded() const { return m_events != nullptr; }

    shell::NativeControl* control(std::size_t index) const { return m_controls[index]; }
    // Whether the window is on screen as its loads see it: not once it has been unloaded.
    bool isShown() const { return isVisible() && !m_hidePending; }
    void open(bool modal);
    // Hides the window and stops its timers for good, as the program ends.
    void shut();
    // Takes the window off the screen if it has been unloaded since it was last shown.
    void hideIfUnloaded();

protected:
    void closeEvent(QCloseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    // The window's place on the screen. The stored position is the client area's; the border and
    // title bar that the window draws itself, if any, lie around it.
    QRect frameRect() const;
    void resetControls();
    void timerElapsed(std::size_t control);

    QtBackend& m_backend;
    const shell::FormLayout& m_layout;
    // What the window draws itself around its client area (frame.h).
    const QMargins m_margins;
    shell::WindowEvents* m_events = nullptr;
    // By index in the layout; none for timers.
    std::vector<QWidget*> m_widgets;
    std::vector<shell::NativeControl*> m_controls;
    std::vector<IntervalTimer*> m_timers;
    // Whether the window has been painted since it was last shown, and the timer ticks that wait
    // for that to happen.
    bool m_painted = false;
    std::vector<std::size_t> m_heldTicks;
    QElapsedTimer m_heldSince;
    // Unloaded while shown, and not hidden yet.
    bool m_hidePending = false;
};

namespace {

    // Screen readers announce a form's window as a frame with its caption, like any application
    // window, rather than as an anonymous pane.
    QAccessibleInterface* accessibleFormWindow(const QString&, QObject* object)
    {
        if (auto* window = dynamic_cast<FormWindow*>(object))
            return new QAccessibleWidget(window, QAccessible::Window);
        return nullptr;
    }

    QPalette::ColorRole role(shell::SystemColour colour)
    {
        switch (colour) {
        case shell::SystemColour::WindowText:
            return QPalette::WindowText;
        case shell::SystemColour::ToolTipText:
            return QPalette::ToolTipText;
        case shell::SystemColour::Default:
            break;
        }
        return QPalette::NoRole;
    }

    QWidget* createControl(shell::ControlKind kind, QWidget* parent)
    {
        switch (kind) {
        case shell::ControlKind::Label:
            return new Label(parent);
        case shell::ControlKind::TextBox:
            return new TextBox(parent);
        case shell::ControlKind::CommandButton:
            return new CommandButton(parent);
        case shell::ControlKind::ComboBox:
            return new ComboBox(parent);
        case shell::ControlKind::OptionButton:
            return new OptionButton(parent);
        case shell::ControlKind::CheckBox:
            return new CheckBox(parent);
        case shell::ControlKind::Timer:
            break;
        }
        return nullptr;
    }

    // Puts a control in the state that its layout record gives, as each load of its window starts
    // it: caption or text, list items, ticks, enabled and locked states, text colour.
    void resetControl(QWidget* widget, const shell::ControlRecord& record)
    {
        const QString caption = toQString(record.caption);
        switch (record.kind) {
        case shell::ControlKind::Label:
            static_cast<Label*>(widget)->QLabel::setText(caption);
            break;
        case shell::ControlKind::TextBox: {
            auto* box = static_cast<TextBox*>(widget);
            box->QLineEdit::setText(caption);
            box->setReadOnly(record.options.locked);
            break;
        }
        case shell::ControlKind::CommandButton: {
            auto* button = static_cast<CommandButton*>(widget);
            button->setDown(false);
            button->QPushButton::setText(caption);
            break;
        }
        case shell::ControlKind::ComboBox: {
            auto* box = static_cast<ComboBox*>(widget);
            box->hidePopup();
            box->QComboBox::clear();
            if (record.options.items) {
                for (const std::string& item : record.options.items())
                    box->QComboBox::addItem(QString::fromStdString(item));
            }
            box->setText(record.caption);
            box->setLocked(record.options.locked);
            break;
        }
        case shell::ControlKind::OptionButton: {
            // A selected button of a group cannot be cleared while the group is exclusive.
            auto* option = static_cast<OptionButton*>(widget);
            option->QRadioButton::setText(caption);
            option->setAutoExclusive(false);
            option->setChecked(false);
            option->setAutoExclusive(true);
            break;
        }
        case shell::ControlKind::CheckBox: {
            auto* box = static_cast<CheckBox*>(widget);
            box->QCheckBox::setText(caption);
            box->setCheckState(0);
            break;
        }
        case shell::ControlKind::Timer:
            return;
        }
        widget->setEnabled(!record.options.disabled);
        if (record.options.textColour != shell::SystemColour::Default) {
            QPalette palette = widget->palette();
            palette.setColor(QPalette::WindowText, palette.color(role(record.options.textColour)));
            widget->setPalette(palette);
        }
    }

    // The layouts leave their captions the room that a small dialog font needs. The desktop's own
    // family is used at the largest pixel size, up to 9, at which its small letters are on average
    // no wider than those of DejaVu Sans, the family of a stock Debian desktop, in which every
    // caption fits its control at 9 pixels whatever the hinting. A wider family is thus set a size
    // smaller rather than having its captions clipped. The size is in pixels, like the layouts'
    // geometry, so that the two scale together with the screen and not apart when only the font
    // resolution is changed.
    QFont dialogFont()
    {
        constexpr int largestPixelSize = 9;
        constexpr int smallestPixelSize = 6;
        // DejaVu Sans at 9 pixels: 5.06 with slight hinting, 5.27 with full hinting.
        constexpr qreal widestAverageLetter = 5.4;
        const QString letters = QStringLiteral("abcdefghijklmnopqrstuvwxyz");

        QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
        for (int size = largestPixelSize; size >= smallestPixelSize; --size) {
            font.setPixelSize(size);
            if (QFontMetricsF(font).horizontalAdvance(letters) / qreal(letters.size()) <= widestAverageLetter)
                break;
        }
        return font;
    }

    QRect pixelRect(int left, int top, int width, int height)
    {
        return QRect(shell::pixels(left), shell::pixels(top), shell::pixels(width), shell::pixels(height));
    }

    // The runtime's handle on a loaded window: the window's widgets stay with the back end when
    // the runtime lets go of it at unload.
    class QtWindow final : public shell::NativeWindow
    {
    public:
        explicit QtWindow(FormWindow& window)
            : m_window(window)
        {
        }
        ~QtWindow() override { m_window.unload(); }

        shell::NativeControl* control(std::size_t index) override { return m_window.control(index); }
        void show(bool modal) override { m_window.open(modal); }
        bool isVisible() const override { return m_window.isShown(); }
        void close() override { m_window.shut(); }

        FormWindow* widget() const { return &m_window; }

    private:
        FormWindow& m_window;
    };

    class QtEventLoop final : public shell::EventLoop
    {
    public:
        void exec() override { m_loop.exec(QEventLoop::DialogExec); }
        void exit() override { m_loop.exit(); }

    private:
        QEventLoop m_loop;
    };

}

FormWindow::FormWindow(QtBackend& backend, const shell::FormLayout& layout)
    : m_backend(backend)
    , m_layout(layout)
    // The frame's flags and hints, and the title bar that the window may draw itself, are the
    // frame's business (frame.cpp).
    , m_margins(frame::decorate(*this, toQString(layout.caption)))
{
    static const bool accessibleInstalled = (QAccessible::installFactory(accessibleFormWindow), true);
    Q_UNUSED(accessibleInstalled)

    setWindowTitle(toQString(layout.caption));
    setObjectName(toQString(layout.caption));
    setFixedSize(frameRect().size());
    setFont(backend.font());
    if (layout.iconArt)
        setWindowIcon(pixelArtIcon(*layout.iconArt));
    if (layout.background != shell::SystemColour::Default) {
        QPalette colours = palette();
        colours.setColor(QPalette::Window, colours.color(role(layout.background)));
        setPalette(colours);
        setAutoFillBackground(true);
    }
    if (layout.pointer == shell::Pointer::NoDrop)
        setCursor(Qt::ForbiddenCursor);

    m_widgets.resize(layout.controls.size(), nullptr);
    m_controls.resize(layout.controls.size(), nullptr);
    for (std::size_t i = 0; i < layout.controls.size(); ++i) {
        const shell::ControlRecord& record = layout.controls[i];
        if (record.kind == shell::ControlKind::Timer) {
            auto* timer = new IntervalTimer(
                record.options.interval, [this, i] { timerElapsed(i); }, this);
            timer->setObjectName(toQString(record.name));
            m_timers.push_back(timer);
            continue;
        }
        QWidget* widget = createControl(record.kind, this);
        widget->setObjectName(toQString(record.name));
        widget->setGeometry(pixelRect(record.left, record.top, record.width, record.height)
                                .translated(m_margins.left(), m_margins.top()));
        if (auto* button = qobject_cast<CommandButton*>(widget)) {
            connect(button, &QPushButton::clicked, this, [this, i] {
                if (m_events)
                    m_events->clicked(i);
            });
        }
        m_widgets[i] = widget;
        m_controls[i] = dynamic_cast<shell::NativeControl*>(widget);
    }

    // Screen readers name a text or combo box by the label that the layout pairs with it.
    for (std::size_t i = 0; i < layout.controls.size(); ++i) {
        const std::string_view buddy = layout.controls[i].options.buddy;
        const int target = buddy.empty() ? -1 : shell::controlIndex(layout, buddy);
        if (auto* label = qobject_cast<QLabel*>(m_widgets[i]); label && target >= 0)
            label->setBuddy(m_widgets[std::size_t(target)]);
    }

    // Focus follows the tab index, lowest first; Qt skips disabled buttons by itself.
    QWidget* previous = nullptr;
    for (std::size_t index : shell::tabOrder(layout)) {
        if (previous)
            QWidget::setTabOrder(previous, m_widgets[index]);
        previous = m_widgets[index];
    }
}

void FormWindow::load(shell::WindowEvents& events)
{
    // Every load opens the window at its stored place and size, wherever the user may have moved
    // it or whatever the desktop made of it.
    setWindowState(Qt::WindowNoState);
    setGeometry(frameRect());
    resetControls();
    m_events = &events;
    // Timers run from the moment the window is loaded.
    for (IntervalTimer* timer : m_timers)
        timer->start();
}

QRect FormWindow::frameRect() const
{
    const QRect client = pixelRect(m_layout.left, m_layout.top, m_layout.width, m_layout.height);
    return client.marginsAdded(m_margins);
}

void FormWindow::resetControls()
{
    for (std::size_t i = 0; i < m_layout.controls.size(); ++i) {
        if (m_widgets[i])
            resetControl(m_widgets[i], m_layout.controls[i]);
    }
    // The first control in tab order has the focus when the window opens, if it can take it;
    // otherwise the focus goes where Tab would take it. A control that has it already keeps it
    // without a round of focus events.
    const std::vector<std::size_t> order = shell::tabOrder(m_layout);
    QWidget* first
        = !order.empty() && m_widgets[order.front()]->isEnabled() ? m_widgets[order.front()] : nullptr;
    QWidget* focused = focusWidget();
    if (focused && (!first || (focused != first && !first->isAncestorOf(focused))))
        focused->clearFocus();
    if (first && !focusWidget())
        first->setFocus();
}

// The window disappears as the runtime unloads it: it stops ticking and speaks for its window no
// more at once. Taking it off the screen costs the desktop a good part of a millisecond for a
// modal window, so that is left until control is back in the event loop, before anything can be
// drawn or typed, or until the next window or message box is shown, which the unloaded windows
// leave the screen for first. So the progress window, whose next load follows at once, is taken
// off the screen and mapped anew as it is shown again, after its next interval has begun.
void FormWindow::unload()
{
    m_events = nullptr;
    m_heldTicks.clear();
    for (IntervalTimer* timer : m_timers)
        timer->stop();
    if (isVisible() && !std::exchange(m_hidePending, true))
        QMetaObject::invokeMethod(this, &FormWindow::hideIfUnloaded, Qt::QueuedConnection);
}

void FormWindow::hideIfUnloaded()
{
    if (std::exchange(m_hidePending, false))
        hide();
}

void FormWindow::open(bool modal)
{
    m_backend.hideUnloadedWindows();
    setWindowModality(modal ? Qt::ApplicationModal : Qt::NonModal);
    m_painted = false;
    // The window's hints and owner, told to the desktop before it maps the window (frame.cpp).
    frame::prepareShow(*this, modal);
    // A window is always shown freshly mapped, which already puts it in front.
    QWidget::show();
    activateWindow();
}

void FormWindow::shut()
{
    for (IntervalTimer* timer : m_timers)
        timer->stop();
    m_hidePending = false;
    hide();
}

void FormWindow::closeEvent(QCloseEvent* event)
{
    // A close request from the desktop unloads the window through the runtime, which hides it.
    event->ignore();
    if (m_events)
        m_events->closeRequested();
}

void FormWindow::paintEvent(QPaintEvent* event)
{
    QWidget::paintEvent(event);
    // The border that the window draws itself, if any (frame.cpp).
    frame::paintBorder(*this, m_margins);
    // Ticks held back for this paint are dropped, and the window's intervals start over from here
    // instead: what this paint puts on the screen stays there for at least one interval before a
    // tick can take the window away.
    if (!std::exchange(m_painted, true) && !m_heldTicks.empty()) {
        m_heldTicks.clear();
        for (IntervalTimer* timer : m_timers)
            timer->start();
    }
}

// A window may live for a moment only (the progress window, until its first tick 10 ms after the
// load), and it must reach the screen all the same, however long the desktop takes to map and
// expose it. So a tick that comes while the window is shown but not yet painted is held until
// the paint, which starts the intervals over; should the desktop never expose the window (one that is covered entirely), the first
// tick that comes a second or more after the held one is let through.
void FormWindow::timerElapsed(std::size_t control)
{
    constexpr qint64 longestHold = 1000;
    if (!m_events)
        return;
    if (isVisible() && !m_painted) {
        if (m_heldTicks.empty())
            m_heldSince.start();
        if (m_heldSince.elapsed() < longestHold) {
            if (std::find(m_heldTicks.begin(), m_heldTicks.end(), control) == m_heldTicks.end())
                m_heldTicks.push_back(control);
            return;
        }
        m_heldTicks.clear();
    }
    m_events->timerElapsed(control);
}

QtBackend::QtBackend()
    : m_font(dialogFont())
{
    // Message boxes speak in the same font, and the controls' own parts (the text layout of a
    // line edit, for one) start out in it rather than in a second font that is loaded only to be
    // replaced at once.
    QApplication::setFont(m_font);
}

QtBackend::~QtBackend() = default;

std::unique_ptr<shell::NativeWindow> QtBackend::createWindow(
    const shell::FormLayout& layout, shell::WindowEvents& events)
{
    std::unique_ptr<FormWindow>& window = m_windows[&layout];
    if (!window)
        window = std::make_unique<FormWindow>(*this, layout);
    Q_ASSERT(!window->isLoaded());
    window->load(events);
    return std::make_unique<QtWindow>(*window);
}

void QtBackend::hideUnloadedWindows()
{
    for (const auto& [layout, window] : m_windows)
        window->hideIfUnloaded();
}

std::unique_ptr<shell::EventLoop> QtBackend::createEventLoop()
{
    return std::make_unique<QtEventLoop>();
}

void QtBackend::messageBox(std::string_view prompt, shell::MsgStyle style, std::string_view title)
{
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    switch (style) {
    case shell::MsgStyle::Stop:
        icon = QMessageBox::Critical;
        break;
    case shell::MsgStyle::Exclamation:
        icon = QMessageBox::Warning;
        break;
    case shell::MsgStyle::Information:
        icon = QMessageBox::Information;
        break;
    }
    hideUnloadedWindows();
    QMessageBox box(icon, toQString(title), toQString(prompt), QMessageBox::Ok);
    box.setWindowModality(Qt::ApplicationModal);
    // The box's owner, for the desktop to frame and keep it as one of its dialogs (frame.cpp).
    frame::prepareMessageBox(box);
    box.exec();
}

void QtBackend::closeAll()
{
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* dialog = qobject_cast<QDialog*>(widget); dialog && dialog->isVisible())
            dialog->done(QDialog::Rejected);
    }
}

shell::DateFormat QtBackend::dateFormat() const
{
    const QLocale locale;
    shell::DateFormat format;
    // The C and POSIX locales have no pattern of their own; the runtime then uses the Italian one.
    if (locale.language() != QLocale::C)
        format.shortPattern = locale.dateFormat(QLocale::ShortFormat).toStdString();
    for (int month = 1; month <= 12; ++month) {
        format.monthNames[std::size_t(month - 1)]
            = locale.monthName(month, QLocale::LongFormat).toStdString();
        format.shortMonthNames[std::size_t(month - 1)]
            = locale.monthName(month, QLocale::ShortFormat).toStdString();
    }
    return format;
}

int QtBackend::exec()
{
    return QApplication::exec();
}

void QtBackend::quit(int status)
{
    QCoreApplication::exit(status);
}

QWidget* widgetOf(const shell::NativeWindow* window)
{
    const auto* qtWindow = dynamic_cast<const QtWindow*>(window);
    return qtWindow ? qtWindow->widget() : nullptr;
}

QImage toImage(const shell::PixelImage& art)
{
    QImage image(art.width, art.height, QImage::Format_ARGB32);
    for (int y = 0; y < art.height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < art.width; ++x)
            row[x] = art.isOpaque(x, y) ? qRgba(0, 0, 0, 255) : qRgba(0, 0, 0, 0);
    }
    return image;
}

QIcon pixelArtIcon(std::string_view art)
{
    QIcon icon;
    for (const shell::PixelImage& image : shell::pixelArtImages(art))
        icon.addPixmap(QPixmap::fromImage(toImage(image)));
    return icon;
}

}
