#pragma once

#include "shell/backend.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFont>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace qtbackend {

// The intrinsic controls on Qt: each is its Qt widget, which holds the state, and the native
// control that the runtime reads and writes.

// The control of a record's kind, a child of `parent`; none for timers.
shell::NativeControl* createControl(const shell::ControlRecord& record, QWidget* parent);
QWidget* widgetOf(shell::NativeControl* control);

// The one font of every control: the desktop's own family, at the size that the layouts leave
// room for.
QFont controlFont();

class Label final : public QLabel, public shell::NativeControl
{
    Q_OBJECT
public:
    Label(const shell::ControlRecord& record, QWidget* parent);
    void reset() override;
    std::string text() const override { return QLabel::text().toStdString(); }
    void setText(std::string_view text) override;

private:
    const shell::ControlRecord& m_record;
};

class TextBox final : public QLineEdit, public shell::NativeControl
{
    Q_OBJECT
public:
    TextBox(const shell::ControlRecord& record, QWidget* parent);
    void reset() override;
    std::string text() const override { return QLineEdit::text().toStdString(); }
    void setText(std::string_view text) override;
    bool isEnabled() const override { return QLineEdit::isEnabled(); }
    void setFocus() override { QLineEdit::setFocus(); }

private:
    const shell::ControlRecord& m_record;
};

// No button is the default one, but a focused button answers Enter as it answers Space, as on
// the desktops these windows imitate.
class CommandButton final : public QPushButton, public shell::NativeControl
{
    Q_OBJECT
public:
    CommandButton(const shell::ControlRecord& record, QWidget* parent);
    void reset() override;
    std::string text() const override { return QPushButton::text().toStdString(); }
    bool isEnabled() const override { return QPushButton::isEnabled(); }
    void setEnabled(bool enabled) override { QPushButton::setEnabled(enabled); }
    void setFocus() override { QPushButton::setFocus(); }

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    const shell::ControlRecord& m_record;
};

// A drop-down combo box whose text part can be typed into. What is typed stays as typed: it is
// neither completed from the list nor added to it. A locked one still opens its list so that
// the user can read the items, but neither typing nor picking changes its text.
class ComboBox final : public QComboBox, public shell::NativeControl
{
    Q_OBJECT
public:
    ComboBox(const shell::ControlRecord& record, QWidget* parent);
    void reset() override;
    std::string text() const override { return currentText().toStdString(); }
    void setText(std::string_view text) override;
    bool isEnabled() const override { return QComboBox::isEnabled(); }
    std::size_t itemCount() const override { return std::size_t(count()); }
    std::string item(std::size_t index) const override { return itemText(int(index)).toStdString(); }
    void addItem(std::string_view item) override;
    void setFocus() override { QComboBox::setFocus(); }

    bool isLocked() const { return m_locked; }

private:
    const shell::ControlRecord& m_record;
    bool m_locked = false;
    QString m_lockedText;
};

// Option buttons and check boxes toggle on a click anywhere in their rectangle, not only on the
// box and the text.
class OptionButton final : public QRadioButton, public shell::NativeControl
{
    Q_OBJECT
public:
    OptionButton(const shell::ControlRecord& record, QWidget* parent);
    void reset() override;
    std::string text() const override { return QRadioButton::text().toStdString(); }
    bool isEnabled() const override { return QRadioButton::isEnabled(); }
    int checkState() const override { return isChecked() ? 1 : 0; }
    void setCheckState(int state) override { setChecked(state != 0); }
    void setFocus() override { QRadioButton::setFocus(); }

protected:
    bool hitButton(const QPoint& position) const override { return rect().contains(position); }

private:
    const shell::ControlRecord& m_record;
};

class CheckBox final : public QCheckBox, public shell::NativeControl
{
    Q_OBJECT
public:
    CheckBox(const shell::ControlRecord& record, QWidget* parent);
    void reset() override;
    std::string text() const override { return QCheckBox::text().toStdString(); }
    bool isEnabled() const override { return QCheckBox::isEnabled(); }
    // 0 clear, 1 ticked, 2 greyed: the classic numbering, which differs from Qt::CheckState.
    int checkState() const override;
    void setCheckState(int state) override;
    void setFocus() override { QCheckBox::setFocus(); }

protected:
    bool hitButton(const QPoint& position) const override { return rect().contains(position); }

private:
    const shell::ControlRecord& m_record;
};

}
