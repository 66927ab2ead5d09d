#pragma once

#include "shell/backend.h"

#include <windows.h>

#include <string>

namespace win32backend {

// One intrinsic control as a standard Win32 control, which holds the state: a label is a STATIC, a
// text box an EDIT, a combo box a drop-down COMBOBOX, the buttons BUTTONs of the matching style.
// The runtime reads and writes them through the shell::NativeControl interface.
class Control final : public shell::NativeControl
{
public:
    // Creates the control of its layout record's kind; the runtime then resets it to the record's
    // values. It shows with its window; its position and font come from place().
    Control(HWND parent, const shell::ControlRecord& record, int id, bool startsGroup);
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    std::string text() const override;
    void setText(std::string_view text) override;
    bool isEnabled() const override;
    void setEnabled(bool enabled) override;
    int checkState() const override;
    void setCheckState(int state) override;
    std::size_t itemCount() const override;
    std::string item(std::size_t index) const override;
    void addItem(std::string_view item) override;
    void setFocus() override;

    HWND handle() const { return m_handle; }
    const shell::ControlRecord& record() const { return m_record; }
    bool takesFocus() const;
    bool isPushButton() const { return m_record.kind == shell::ControlKind::CommandButton; }

    // Puts the values of the layout record back (text, list, tick, enabled state), as every load
    // of the window needs.
    void reset() override;

    // Moves the control to its layout rectangle at this density, in the client area's pixels.
    void place(UINT dpi, HFONT font);

    // Combo boxes: what the box reports to its window (CBN_... codes). Returns true when the text
    // must be put back once the box has finished, which restoreText() then does.
    bool comboNotified(WORD code);
    void restoreText();

private:
    const shell::ControlRecord& m_record;
    HWND m_handle;
    // A combo box's text as the runtime or the user last left it, which opening and closing the
    // list without picking an item must not change, nor anything at all when the box is locked.
    std::wstring m_keptText;
    bool m_listCancelled = false;
};

}
