#include "controls.h"

#include "backend.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QKeyEvent>

namespace qtbackend {

namespace {

    QPalette::ColorRole role(shell::SystemColour colour)
    {
        return colour == shell::SystemColour::ToolTipText ? QPalette::ToolTipText : QPalette::WindowText;
    }

    // What every kind of control takes from its record at each load besides its text.
    void resetCommon(QWidget* widget, const shell::ControlRecord& record)
    {
        widget->setEnabled(!record.options.disabled);
        if (record.options.textColour != shell::SystemColour::Default) {
            QPalette palette = widget->palette();
            palette.setColor(QPalette::WindowText, palette.color(role(record.options.textColour)));
            widget->setPalette(palette);
        }
    }

    bool isEnter(const QKeyEvent* event)
    {
        return (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
            && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    }

}

shell::NativeControl* createControl(const shell::ControlRecord& record, QWidget* parent)
{
    switch (record.kind) {
    case shell::ControlKind::Label:
        return new Label(record, parent);
    case shell::ControlKind::TextBox:
        return new TextBox(record, parent);
    case shell::ControlKind::CommandButton:
        return new CommandButton(record, parent);
    case shell::ControlKind::ComboBox:
        return new ComboBox(record, parent);
    case shell::ControlKind::OptionButton:
        return new OptionButton(record, parent);
    case shell::ControlKind::CheckBox:
        return new CheckBox(record, parent);
    case shell::ControlKind::Timer:
        break;
    }
    return nullptr;
}

QWidget* widgetOf(shell::NativeControl* control)
{
    return dynamic_cast<QWidget*>(control);
}

// The layouts leave their captions the room that a small dialog font needs. The desktop's own
// family is used at the largest pixel size, up to 9, at which its small letters are on average no
// wider than those of DejaVu Sans, the family of a stock Debian desktop, in which every caption
// fits its control at 9 pixels whatever the hinting. A wider family is thus set a size smaller
// rather than having its captions clipped. The size is in pixels, like the layouts' geometry, so
// that the two scale together with the screen and not apart when only the font resolution is
// changed.
QFont controlFont()
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

Label::Label(const shell::ControlRecord& record, QWidget* parent)
    : QLabel(parent)
    , m_record(record)
{
}

void Label::reset()
{
    QLabel::setText(toQString(m_record.caption));
    resetCommon(this, m_record);
}

void Label::setText(std::string_view text)
{
    QLabel::setText(toQString(text));
}

TextBox::TextBox(const shell::ControlRecord& record, QWidget* parent)
    : QLineEdit(parent)
    , m_record(record)
{
}

void TextBox::reset()
{
    QLineEdit::setText(toQString(m_record.caption));
    setReadOnly(m_record.options.locked);
    resetCommon(this, m_record);
}

void TextBox::setText(std::string_view text)
{
    QLineEdit::setText(toQString(text));
}

CommandButton::CommandButton(const shell::ControlRecord& record, QWidget* parent)
    : QPushButton(parent)
    , m_record(record)
{
}

void CommandButton::reset()
{
    setDown(false);
    QPushButton::setText(toQString(m_record.caption));
    resetCommon(this, m_record);
}

bool CommandButton::event(QEvent* event)
{
    // Qt's push button claims Enter as an override of shortcuts and then leaves it to a dialog's
    // default button; here no button is the default, so the key press must reach this one.
    if (event->type() == QEvent::ShortcutOverride && isEnter(static_cast<QKeyEvent*>(event))) {
        event->ignore();
        return true;
    }
    return QPushButton::event(event);
}

void CommandButton::keyPressEvent(QKeyEvent* event)
{
    if (isEnter(event)) {
        if (!event->isAutoRepeat())
            click();
        return;
    }
    QPushButton::keyPressEvent(event);
}

ComboBox::ComboBox(const shell::ControlRecord& record, QWidget* parent)
    : QComboBox(parent)
    , m_record(record)
{
    setEditable(true);
    // Typed text stays text: it is never completed from the list nor added to it behind the
    // user's back.
    setInsertPolicy(QComboBox::NoInsert);
    setCompleter(nullptr);
    // Picking an item from the list of a locked box must not change its text either.
    connect(this, &QComboBox::activated, this, [this] {
        if (m_locked)
            setEditText(m_lockedText);
    });
}

void ComboBox::reset()
{
    hidePopup();
    QComboBox::clear();
    if (m_record.options.items) {
        for (const std::string& item : m_record.options.items())
            QComboBox::addItem(QString::fromStdString(item));
    }
    setText(m_record.caption);
    m_locked = m_record.options.locked;
    lineEdit()->setReadOnly(m_locked);
    resetCommon(this, m_record);
}

void ComboBox::setText(std::string_view text)
{
    m_lockedText = toQString(text);
    setEditText(m_lockedText);
}

void ComboBox::addItem(std::string_view item)
{
    const QString text = currentText();
    QComboBox::addItem(toQString(item));
    setEditText(text);
}

OptionButton::OptionButton(const shell::ControlRecord& record, QWidget* parent)
    : QRadioButton(parent)
    , m_record(record)
{
}

void OptionButton::reset()
{
    QRadioButton::setText(toQString(m_record.caption));
    // A selected button of a group cannot be cleared while the group is exclusive.
    setAutoExclusive(false);
    setChecked(false);
    setAutoExclusive(true);
    resetCommon(this, m_record);
}

CheckBox::CheckBox(const shell::ControlRecord& record, QWidget* parent)
    : QCheckBox(parent)
    , m_record(record)
{
}

void CheckBox::reset()
{
    QCheckBox::setText(toQString(m_record.caption));
    setCheckState(0);
    resetCommon(this, m_record);
}

int CheckBox::checkState() const
{
    switch (QCheckBox::checkState()) {
    case Qt::Checked:
        return 1;
    case Qt::PartiallyChecked:
        return 2;
    case Qt::Unchecked:
        break;
    }
    return 0;
}

void CheckBox::setCheckState(int state)
{
    setTristate(state == 2);
    QCheckBox::setCheckState(state == 1 ? Qt::Checked : state == 2 ? Qt::PartiallyChecked : Qt::Unchecked);
}

}
