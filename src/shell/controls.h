#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

namespace shell {

// The intrinsic controls. Each is its Qt widget with the few members that event procedures use,
// named as those procedures know them; everything else is plain Qt.

class Label : public QLabel
{
    Q_OBJECT
public:
    using QLabel::QLabel;
    void setCaption(const QString& caption) { setText(caption); }
};

class TextBox : public QLineEdit
{
    Q_OBJECT
public:
    using QLineEdit::QLineEdit;
    void setLocked(bool locked) { setReadOnly(locked); }
};

class CommandButton : public QPushButton
{
    Q_OBJECT
public:
    using QPushButton::QPushButton;
};

// A drop-down combo box whose text part can be typed into. A locked one still opens its list so
// that the user can read the items, but neither typing nor picking changes its text.
class ComboBox : public QComboBox
{
    Q_OBJECT
public:
    explicit ComboBox(QWidget* parent = nullptr);

    QString text() const { return currentText(); }
    void setText(const QString& text);
    // Item i, counted from 0; empty text when there is no such item.
    QString list(int index) const { return itemText(index); }
    // Appends at the end and leaves the text as it is, even when the list was empty.
    void addItem(const QString& item);

    void setLocked(bool locked);
    bool isLocked() const { return m_locked; }

private:
    bool m_locked = false;
    QString m_lockedText;
};

class OptionButton : public QRadioButton
{
    Q_OBJECT
public:
    using QRadioButton::QRadioButton;
    // -1 (true) when selected, 0 otherwise.
    qint16 value() const { return isChecked() ? -1 : 0; }
};

class CheckBox : public QCheckBox
{
    Q_OBJECT
public:
    using QCheckBox::QCheckBox;
    // 0 clear, 1 ticked, 2 greyed: the classic numbering, which differs from Qt::CheckState.
    qint16 value() const;
    void setValue(qint16 value);
};

class Timer : public QTimer
{
    Q_OBJECT
public:
    using QTimer::QTimer;
};

}
