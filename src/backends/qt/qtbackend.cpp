#include "qtbackend.h"

#include "controls.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QEventLoop>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QLocale>
#include <QMessageBox>
#include <QPainter>
#include <QPixmap>
#include <QStyle>
#include <QTimer>

#include <algorithm>

namespace qtbackend {

namespace {

    // The top-level widget of a loaded window. A window without a caption has no title bar, only
    // a one-pixel border that it draws itself around the client area.
    class FormWindow final : public QWidget
    {
    public:
        FormWindow(shell::WindowEvents& events, int border)
            : m_events(&events)
            , m_border(border)
        {
        }

        // Once unloaded, the widget no longer speaks for its window.
        void detach() { m_events = nullptr; }

    protected:
        void closeEvent(QCloseEvent* event) override
        {
            // A close request from the desktop unloads the window through the runtime, which
            // hides and destroys the widget itself.
            event->ignore();
            if (m_events)
                m_events->closeRequested();
        }

        void paintEvent(QPaintEvent* event) override
        {
            QWidget::paintEvent(event);
            if (m_border == 0)
                return;
            QPainter painter(this);
            painter.setPen(palette().color(QPalette::WindowText));
            painter.drawRect(rect().adjusted(0, 0, -1, -1));
        }

    private:
        shell::WindowEvents* m_events;
        int m_border;
    };

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

    QWidget* createControl(const shell::ControlRecord& record, QWidget* parent)
    {
        const QString caption = toQString(record.caption);
        switch (record.kind) {
        case shell::ControlKind::Label:
            return new Label(caption, parent);
        case shell::ControlKind::TextBox: {
            auto* box = new TextBox(caption, parent);
            box->setReadOnly(record.options.locked);
            return box;
        }
        case shell::ControlKind::CommandButton:
            return new CommandButton(caption, parent);
        case shell::ControlKind::ComboBox: {
            auto* box = new ComboBox(parent);
            if (record.options.items) {
                for (const std::string& item : record.options.items())
                    box->QComboBox::addItem(QString::fromStdString(item));
            }
            box->setText(record.caption);
            box->setLocked(record.options.locked);
            return box;
        }
        case shell::ControlKind::OptionButton:
            return new OptionButton(caption, parent);
        case shell::ControlKind::CheckBox:
            return new CheckBox(caption, parent);
        case shell::ControlKind::Timer:
            break;
        }
        return nullptr;
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

    class QtWindow final : public shell::NativeWindow
    {
    public:
        QtWindow(QtBackend& backend, const shell::FormLayout& layout, shell::WindowEvents& events);
        ~QtWindow() override;

        shell::NativeControl* control(std::size_t index) override { return m_controls[index]; }
        void show(bool modal) override;
        bool isVisible() const override { return m_window->isVisible(); }
        void close() override;

        FormWindow* widget() const { return m_window; }

    private:
        void stopTimers();

        QtBackend& m_backend;
        FormWindow* m_window;
        std::vector<shell::NativeControl*> m_controls;
        std::vector<QTimer*> m_timers;
        std::vector<QMetaObject::Connection> m_connections;
    };

    QtWindow::QtWindow(QtBackend& backend, const shell::FormLayout& layout, shell::WindowEvents& events)
        : m_backend(backend)
    {
        static const bool accessibleInstalled = (QAccessible::installFactory(accessibleFormWindow), true);
        Q_UNUSED(accessibleInstalled)

        const int border = layout.caption.empty() ? 1 : 0;
        m_window = new FormWindow(events, border);
        FormWindow* window = m_window;

        // A fixed single border: a title bar with the caption only, or no title bar at all.
        Qt::WindowFlags flags = Qt::Window | Qt::MSWindowsFixedSizeDialogHint;
        flags |= border ? Qt::FramelessWindowHint : Qt::CustomizeWindowHint | Qt::WindowTitleHint;
        window->setWindowFlags(flags);
        window->setWindowTitle(toQString(layout.caption));
        window->setObjectName(toQString(layout.caption));

        // The stored position is the client area's; a title-less window's border lies around it.
        const QRect client = pixelRect(layout.left, layout.top, layout.width, layout.height);
        const QRect frame = client.adjusted(-border, -border, border, border);
        window->setGeometry(frame);
        window->setFixedSize(frame.size());

        window->setFont(backend.font());

        if (layout.iconArt)
            window->setWindowIcon(pixelArtIcon(*layout.iconArt));
        if (layout.background != shell::SystemColour::Default) {
            QPalette palette = window->palette();
            palette.setColor(QPalette::Window, palette.color(role(layout.background)));
            window->setPalette(palette);
            window->setAutoFillBackground(true);
        }
        if (layout.pointer == shell::Pointer::NoDrop)
            window->setCursor(Qt::ForbiddenCursor);

        m_controls.resize(layout.controls.size(), nullptr);
        std::vector<QWidget*> widgets(layout.controls.size(), nullptr);
        for (std::size_t i = 0; i < layout.controls.size(); ++i) {
            const shell::ControlRecord& record = layout.controls[i];
            const QString name = toQString(record.name);
            if (record.kind == shell::ControlKind::Timer) {
                auto* timer = new QTimer(window);
                timer->setObjectName(name);
                // Precise, so that a tick never comes before its interval has fully passed.
                timer->setTimerType(Qt::PreciseTimer);
                timer->setInterval(record.options.interval);
                m_connections.push_back(
                    QObject::connect(timer, &QTimer::timeout, [&events, i] { events.timerElapsed(i); }));
                m_timers.push_back(timer);
                continue;
            }
            QWidget* widget = createControl(record, window);
            widget->setObjectName(name);
            widget->setGeometry(
                pixelRect(record.left, record.top, record.width, record.height).translated(border, border));
            widget->setEnabled(!record.options.disabled);
            if (record.options.textColour != shell::SystemColour::Default) {
                QPalette palette = widget->palette();
                palette.setColor(QPalette::WindowText, palette.color(role(record.options.textColour)));
                widget->setPalette(palette);
            }
            if (auto* button = qobject_cast<CommandButton*>(widget)) {
                m_connections.push_back(
                    QObject::connect(button, &QPushButton::clicked, [&events, i] { events.clicked(i); }));
            }
            m_controls[i] = dynamic_cast<shell::NativeControl*>(widget);
            widgets[i] = widget;
        }

        // Screen readers name a text or combo box by the label that the layout pairs with it.
        for (std::size_t i = 0; i < layout.controls.size(); ++i) {
            const std::string_view buddy = layout.controls[i].options.buddy;
            const int target = buddy.empty() ? -1 : shell::controlIndex(layout, buddy);
            if (auto* label = qobject_cast<QLabel*>(widgets[i]); label && target >= 0)
                label->setBuddy(widgets[std::size_t(target)]);
        }

        // Focus follows the tab index, lowest first; Qt skips disabled buttons by itself. The
        // first control that can take the focus has it when the window opens.
        QWidget* previous = nullptr;
        for (std::size_t index : shell::tabOrder(layout)) {
            QWidget* widget = widgets[index];
            if (previous)
                QWidget::setTabOrder(previous, widget);
            else if (widget->isEnabled())
                widget->setFocus();
            previous = widget;
        }

        // Timers run from the moment the window is loaded.
        for (QTimer* timer : m_timers)
            timer->start();
    }

    QtWindow::~QtWindow()
    {
        stopTimers();
        for (const QMetaObject::Connection& connection : m_connections)
            QObject::disconnect(connection);
        m_window->detach();
        m_window->hide();
        m_backend.retire(m_window);
    }

    void QtWindow::show(bool modal)
    {
        m_window->setWindowModality(modal ? Qt::ApplicationModal : Qt::NonModal);
        // A window is always shown freshly mapped, which already puts it in front.
        m_window->show();
        m_window->activateWindow();
    }

    void QtWindow::close()
    {
        stopTimers();
        m_window->hide();
    }

    void QtWindow::stopTimers()
    {
        for (QTimer* timer : m_timers)
            timer->stop();
    }

    class QtEventLoop final : public shell::EventLoop
    {
    public:
        void exec() override { m_loop.exec(QEventLoop::DialogExec); }
        void exit() override { m_loop.exit(); }

    private:
        QEventLoop m_loop;
    };

}

QtBackend::QtBackend()
    : m_font(dialogFont())
{
    // Message boxes speak in the same font, and the controls' own parts (the text layout of a
    // line edit, for one) start out in it rather than in a second font that is loaded only to be
    // replaced at once.
    QApplication::setFont(m_font);
}

QtBackend::~QtBackend()
{
    for (const QPointer<QWidget>& window : m_retired)
        delete window.data();
}

std::unique_ptr<shell::NativeWindow> QtBackend::createWindow(
    const shell::FormLayout& layout, shell::WindowEvents& events)
{
    return std::make_unique<QtWindow>(*this, layout, events);
}

std::unique_ptr<shell::EventLoop> QtBackend::createEventLoop()
{
    return std::make_unique<QtEventLoop>();
}

void QtBackend::retire(QWidget* window)
{
    // The window may be the one whose event procedure is running right now (a timer that
    // unloads its own window), so it is destroyed once control is back in the event loop.
    std::erase_if(m_retired, [](const QPointer<QWidget>& gone) { return gone.isNull(); });
    m_retired.emplace_back(window);
    window->deleteLater();
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
    QMessageBox box(icon, toQString(title), toQString(prompt), QMessageBox::Ok);
    box.setWindowModality(Qt::ApplicationModal);
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
