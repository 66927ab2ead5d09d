#pragma once

// The seam between the forms runtime and a windowing toolkit. The runtime and the windows know
// only these interfaces; each toolkit (Qt, Win32, and the tests' in-memory desktop) implements
// them in a back-end folder of its own, and the build picks one. Everything crossing the seam is
// plain data: UTF-8 text, layout records, indices of controls in their layout.

#include "conversions.h"
#include "layout.h"

#include <memory>
#include <string>
#include <string_view>

namespace shell {

enum class MsgStyle { Stop = 16, Exclamation = 48, Information = 64 };

// What a back end tells the runtime about a window it created. Controls are named by their index
// in the window's layout record. These calls never throw.
class WindowEvents
{
public:
    virtual void clicked(std::size_t control) noexcept = 0;
    virtual void timerElapsed(std::size_t control) noexcept = 0;
    // The desktop asks to close the window (Alt+F4, the window manager's close).
    virtual void closeRequested() noexcept = 0;

protected:
    ~WindowEvents() = default;
};

// One control of a loaded window. The native control holds the state; the runtime reads and
// writes it through here, so that what the user typed is never out of step. A member that the
// control's kind does not have fails with error 438, as the runtime's own controls do.
class NativeControl
{
public:
    virtual ~NativeControl() = default;

    // A label's or button's caption, a text or combo box's text.
    virtual std::string text() const;
    virtual void setText(std::string_view text);
    virtual void setEnabled(bool enabled);
    // Option buttons and check boxes: 0 clear, 1 ticked, 2 greyed (check boxes only).
    virtual int checkState() const;
    virtual void setCheckState(int state);
    // Combo boxes: the list, counted from 0.
    virtual std::size_t itemCount() const;
    virtual std::string item(std::size_t index) const;
    virtual void addItem(std::string_view item);
    virtual void setFocus();
};

// A loaded window with its controls. Destroying it destroys the window at once as far as the
// user can tell (hidden, timers stopped, no further events), even when it happens inside one of
// its own event procedures; a back end defers freeing what is still on the call stack.
class NativeWindow
{
public:
    virtual ~NativeWindow() = default;

    // The control at this index of the layout; nullptr for timers, which have no control.
    virtual NativeControl* control(std::size_t index) = 0;
    // Makes the window visible, in front and active. Modal: the program's other windows stay
    // visible but take no input until this one is hidden or destroyed.
    virtual void show(bool modal) = 0;
    virtual bool isVisible() const = 0;
    // Hides the window and stops its timers for good; used when the program ends.
    virtual void close() = 0;
};

// A nested event loop, as a modal Show runs one.
class EventLoop
{
public:
    virtual ~EventLoop() = default;
    // Delivers events until exit() is called.
    virtual void exec() = 0;
    // Makes exec() return once control is back in it; harmless when it is not running.
    virtual void exit() = 0;
};

class Backend
{
public:
    virtual ~Backend() = default;

    // Creates the window and its controls from the layout record, hidden, with its timers running.
    virtual std::unique_ptr<NativeWindow> createWindow(const FormLayout& layout, WindowEvents& events) = 0;
    virtual std::unique_ptr<EventLoop> createEventLoop() = 0;
    // A modal box with a single OK button; returns once it has been dismissed.
    virtual void messageBox(std::string_view prompt, MsgStyle style, std::string_view title) = 0;
    // Closes whatever the back end has open of its own (message boxes) because the program ends.
    virtual void closeAll() = 0;
    // How the user's locale writes short dates.
    virtual DateFormat dateFormat() const = 0;
    // Runs the program's main event loop until quit(); returns its status.
    virtual int exec() = 0;
    virtual void quit(int status) = 0;
};

}
