#include "controls.h"

#include "qtbackend.h"

#include <QKeyEvent>

namespace qtbackend {

void Label::setText(std::string_view text)
{
    QLabel::setText(toQString(text));
}

void TextBox::setText(std::string_view text)
{
    QLineEdit::setText(toQString(text));
}

namespace {
    bool isEnter(const QKeyEvent* event)
    {
        return (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
            && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    }
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

ComboBox::ComboBox(QWidget* parent)
    : QComboBox(parent)
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

void ComboBox::setLocked(bool locked)
{
    m_locked = locked;
    m_lockedText = currentText();
    lineEdit()->setReadOnly(locked);
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
