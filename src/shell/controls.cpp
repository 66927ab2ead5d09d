#include "controls.h"

namespace shell {

ComboBox::ComboBox(QWidget* parent)
    : QComboBox(parent)
{
    setEditable(true);
    // Typed text stays text: it is never added to the list behind the user's back.
    setInsertPolicy(QComboBox::NoInsert);
    // Picking an item from the list of a locked box must not change its text either.
    connect(this, &QComboBox::activated, this, [this] {
        if (m_locked)
            setEditText(m_lockedText);
    });
}

void ComboBox::setText(const QString& text)
{
    m_lockedText = text;
    setEditText(text);
}

void ComboBox::addItem(const QString& item)
{
    const QString text = currentText();
    QComboBox::addItem(item);
    setEditText(text);
}

void ComboBox::setLocked(bool locked)
{
    m_locked = locked;
    m_lockedText = currentText();
    lineEdit()->setReadOnly(locked);
}

qint16 CheckBox::value() const
{
    switch (checkState()) {
    case Qt::Checked:
        return 1;
    case Qt::PartiallyChecked:
        return 2;
    case Qt::Unchecked:
        break;
    }
    return 0;
}

void CheckBox::setValue(qint16 value)
{
    setTristate(value == 2);
    setCheckState(value == 1 ? Qt::Checked : value == 2 ? Qt::PartiallyChecked : Qt::Unchecked);
}

}
