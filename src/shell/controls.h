#pragma once

#include "backend.h"
#include "form.h"

#include <cstdint>
#include <string>

namespace shell {

// The intrinsic controls, as event procedures use them: small handles onto the back end's native
// control, with the members those procedures know under the names they know them by. A handle
// belongs to the load of its window in which it was taken: kept across a modal Show or a message
// box it still reaches its control, and once that load is over (Unload, even when the window has
// been loaded again since) it fails with error 364 instead of reaching a control that its window
// has started afresh.

class Control
{
public:
    Control(const Form& form, std::size_t index)
        : m_form(&form)
        , m_index(index)
        , m_load(form.loadNumber())
    {
    }

    NativeControl& native() const { return m_form->liveControl(m_index, m_load); }
    void setFocus() { native().setFocus(); }

private:
    const Form* m_form;
    std::size_t m_index;
    unsigned m_load;
};

class Label : public Control
{
public:
    static constexpr ControlKind kind = ControlKind::Label;
    using Control::Control;
    std::string caption() const { return native().text(); }
    void setCaption(std::string_view caption) { native().setText(caption); }
};

class TextBox : public Control
{
public:
    static constexpr ControlKind kind = ControlKind::TextBox;
    using Control::Control;
    std::string text() const { return native().text(); }
    void setText(std::string_view text) { native().setText(text); }
};

class CommandButton : public Control
{
public:
    static constexpr ControlKind kind = ControlKind::CommandButton;
    using Control::Control;
    void setEnabled(bool enabled) { native().setEnabled(enabled); }
};

// A drop-down combo box whose text part can be typed into.
class ComboBox : public Control
{
public:
    static constexpr ControlKind kind = ControlKind::ComboBox;
    using Control::Control;
    std::string text() const { return native().text(); }
    void setText(std::string_view text) { native().setText(text); }
    // Item i, counted from 0; empty text when there is no such item.
    std::string list(std::size_t index) const
    {
        return index < native().itemCount() ? native().item(index) : std::string();
    }
    std::size_t listCount() const { return native().itemCount(); }
    // Appends at the end and leaves the text as it is, even when the list was empty.
    void addItem(std::string_view item) { native().addItem(item); }
};

class OptionButton : public Control
{
public:
    static constexpr ControlKind kind = ControlKind::OptionButton;
    using Control::Control;
    // -1 (true) when selected, 0 otherwise.
    std::int16_t value() const { return native().checkState() != 0 ? -1 : 0; }
    void setValue(bool selected) { native().setCheckState(selected ? 1 : 0); }
};

class CheckBox : public Control
{
public:
    static constexpr ControlKind kind = ControlKind::CheckBox;
    using Control::Control;
    // 0 clear, 1 ticked, 2 greyed.
    std::int16_t value() const { return std::int16_t(native().checkState()); }
    void setValue(std::int16_t value) { native().setCheckState(value); }
};

}
