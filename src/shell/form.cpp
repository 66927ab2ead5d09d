#include "form.h"

#include "controls.h"
#include "pixelart.h"
#include "runtime.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QCloseEvent>
#include <QPainter>
#include <QStyle>
#include <QWidget>

#include <algorithm>
#include <memory>
#include <vector>

namespace shell {

// The top-level widget of a loaded form. A window without a caption has no title bar, only a
// one-pixel border that it draws itself around the client area.
class FormWindow final : public QWidget
{
public:
    FormWindow(Form& form, int border)
        : m_form(form)
        , m_border(border)
    {
    }

    int border() const { return m_border; }

protected:
    void closeEvent(QCloseEvent* event) override
    {
        // A close request from the desktop (Alt+F4, the window manager) unloads the window just as
        // Unload does; the widget itself is hidden and destroyed by the runtime.
        event->ignore();
        Runtime::current().call([this] { Runtime::current().unload(m_form); });
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
    Form& m_form;
    int m_border;
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

    QWidget* createControl(const ControlRecord& record, QWidget* parent)
    {
        const QString caption = text(record.caption);
        switch (record.kind) {
        case ControlKind::Label:
            return new Label(caption, parent);
        case ControlKind::TextBox: {
            auto* box = new TextBox(caption, parent);
            box->setLocked(record.options.locked);
            return box;
        }
        case ControlKind::CommandButton:
            return new CommandButton(caption, parent);
        case ControlKind::ComboBox: {
            auto* box = new ComboBox(parent);
            if (record.options.items)
                box->addItems(record.options.items());
            box->setText(caption);
            box->setLocked(record.options.locked);
            return box;
        }
        case ControlKind::OptionButton:
            return new OptionButton(caption, parent);
        case ControlKind::CheckBox:
            return new CheckBox(caption, parent);
        case ControlKind::Timer:
            break;
        }
        return nullptr;
    }

    // The room a control needs beside the text of its caption.
    int captionChrome(const QWidget* widget)
    {
        const QStyle* style = widget->style();
        if (qobject_cast<const QCheckBox*>(widget))
            return style->pixelMetric(QStyle::PM_IndicatorWidth)
                + style->pixelMetric(QStyle::PM_CheckBoxLabelSpacing);
        if (qobject_cast<const QRadioButton*>(widget))
            return style->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth)
                + style->pixelMetric(QStyle::PM_RadioButtonLabelSpacing);
        if (qobject_cast<const QPushButton*>(widget))
            return 2 * style->pixelMetric(QStyle::PM_ButtonMargin);
        return 0;
    }

    // Layouts were measured for a narrower font than most desktops have. Rather than clip a
    // caption, its control gets a slightly smaller size of the same font, down to a readable floor.
    void fitCaption(QWidget* widget, const QString& caption)
    {
        constexpr qreal smallestPointSize = 6.5;
        const int room = widget->width() - captionChrome(widget);
        QFont font = widget->font();
        while (QFontMetrics(font).horizontalAdvance(caption) > room && font.pointSizeF() > smallestPointSize)
            font.setPointSizeF(font.pointSizeF() - 0.5);
        if (font != widget->font())
            widget->setFont(font);
    }

    QRect pixelRect(int left, int top, int width, int height)
    {
        return QRect(pixels(left), pixels(top), pixels(width), pixels(height));
    }

}

Form::Form(const FormLayout& layout)
    : m_layout(layout)
{
}

Form::~Form()
{
    delete m_window;
}

QWidget* Form::window() const
{
    return m_window;
}

QObject* Form::findControl(std::string_view name) const
{
    return m_controls.value(text(name));
}

QObject* Form::controlObject(std::string_view name)
{
    Runtime::current().load(*this);
    if (QObject* found = findControl(name))
        return found;
    throw RuntimeError(error::NoSuchControl, text(name));
}

void Form::createWindow()
{
    static const bool accessibleInstalled = (QAccessible::installFactory(accessibleFormWindow), true);
    Q_UNUSED(accessibleInstalled)

    const int border = m_layout.caption.empty() ? 1 : 0;
    auto window = std::make_unique<FormWindow>(*this, border);

    // A fixed single border: a title bar with the caption only, or no title bar at all.
    Qt::WindowFlags flags = Qt::Window | Qt::MSWindowsFixedSizeDialogHint;
    flags |= border ? Qt::FramelessWindowHint : Qt::CustomizeWindowHint | Qt::WindowTitleHint;
    window->setWindowFlags(flags);
    window->setWindowTitle(text(m_layout.caption));
    window->setObjectName(text(m_layout.caption));

    // The stored position is the client area's; a title-less window's border lies around it.
    const QRect client = pixelRect(m_layout.left, m_layout.top, m_layout.width, m_layout.height);
    const QRect frame = client.adjusted(-border, -border, border, border);
    window->setGeometry(frame);
    window->setFixedSize(frame.size());

    // Layouts measure their controls for an 8-point dialog font; Qt's larger default would clip
    // captions such as "Cognome:". The family stays the desktop's own.
    QFont font = window->font();
    font.setPointSize(8);
    window->setFont(font);

    if (!m_layout.iconArt.empty())
        window->setWindowIcon(pixelArtIcon(text(m_layout.iconArt)));
    if (m_layout.background != QPalette::NoRole) {
        QPalette palette = window->palette();
        palette.setColor(QPalette::Window, palette.color(m_layout.background));
        window->setPalette(palette);
        window->setAutoFillBackground(true);
    }
    if (m_layout.cursor != Qt::ArrowCursor)
        window->setCursor(m_layout.cursor);

    QHash<QString, QObject*> controls;
    std::vector<std::pair<int, QWidget*>> tabOrder;
    for (const ControlRecord& record : m_layout.controls) {
        const QString name = text(record.name);
        if (record.kind == ControlKind::Timer) {
            auto* timer = new Timer(window.get());
            timer->setObjectName(name);
            // Precise, so that a tick never comes before its interval has fully passed.
            timer->setTimerType(Qt::PreciseTimer);
            timer->setInterval(record.options.interval);
            controls.insert(name, timer);
            continue;
        }
        QWidget* widget = createControl(record, window.get());
        widget->setObjectName(name);
        widget->setGeometry(
            pixelRect(record.left, record.top, record.width, record.height).translated(border, border));
        widget->setEnabled(!record.options.disabled);
        if (record.kind != ControlKind::TextBox && record.kind != ControlKind::ComboBox)
            fitCaption(widget, text(record.caption));
        if (record.options.textColour != QPalette::NoRole) {
            QPalette palette = widget->palette();
            palette.setColor(QPalette::WindowText, palette.color(record.options.textColour));
            widget->setPalette(palette);
        }
        controls.insert(name, widget);
        tabOrder.emplace_back(record.tabIndex, widget);
    }

    for (const ControlRecord& record : m_layout.controls) {
        if (record.options.buddy.empty())
            continue;
        auto* label = qobject_cast<QLabel*>(controls.value(text(record.name)));
        auto* buddy = qobject_cast<QWidget*>(controls.value(text(record.options.buddy)));
        if (!label || !buddy)
            throw RuntimeError(error::NoSuchControl, text(record.options.buddy));
        label->setBuddy(buddy);
    }

    // Focus follows the tab index, lowest first; labels never take the focus, and Qt already
    // skips disabled buttons. The first control that can take the focus has it when the window
    // opens.
    std::stable_sort(
        tabOrder.begin(), tabOrder.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    QWidget* previous = nullptr;
    for (const auto& [index, widget] : tabOrder) {
        if (widget->focusPolicy() == Qt::NoFocus)
            continue;
        if (previous)
            QWidget::setTabOrder(previous, widget);
        else if (widget->isEnabled())
            widget->setFocus();
        previous = widget;
    }

    m_controls = controls;
    m_window = window.release();

    EventBinder binder(*this, m_window);
    bindEvents(binder);

    // Timers run from the moment the window is loaded.
    for (QObject* object : std::as_const(m_controls)) {
        if (auto* timer = qobject_cast<Timer*>(object))
            timer->start();
    }
}

void Form::stopTimers()
{
    for (QObject* object : std::as_const(m_controls)) {
        if (auto* timer = qobject_cast<Timer*>(object))
            timer->stop();
    }
}

QWidget* Form::releaseWindow()
{
    stopTimers();
    QWidget* window = m_window;
    window->hide();
    m_window = nullptr;
    m_controls.clear();
    return window;
}

void Form::deliver(FormWindow* window, const Procedure& procedure, bool& running)
{
    // Events still queued for a window that has since been unloaded are dropped, and an event
    // procedure is never entered again while it is still running (for instance while it waits in
    // a message box and its timer ticks on).
    if (m_window != window || running)
        return;
    running = true;
    Runtime::current().call(procedure);
    running = false;
}

template <class Control, class Signal>
void EventBinder::attach(std::string_view control, Signal signal, Procedure procedure)
{
    auto* sender = qobject_cast<Control*>(m_form.findControl(control));
    if (!sender)
        throw RuntimeError(error::NoSuchControl, text(control));
    auto running = std::make_shared<bool>(false);
    QObject::connect(sender, signal, m_window,
        [form = &m_form, window = m_window, procedure = std::move(procedure), running] {
            form->deliver(window, procedure, *running);
        });
}

void EventBinder::click(std::string_view control, Procedure procedure)
{
    attach<CommandButton>(control, &CommandButton::clicked, std::move(procedure));
}

void EventBinder::timer(std::string_view control, Procedure procedure)
{
    attach<Timer>(control, &Timer::timeout, std::move(procedure));
}

}
