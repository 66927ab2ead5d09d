#pragma once

// The contract between the forms runtime and a windowing toolkit. The runtime and the windows know
// only these interfaces; each toolkit (Qt, Win32, the browser, and the tests' in-memory desktop)
// implements them in a back-end folder of its own, and the build picks one. Everything crossing
// the seam is plain data: UTF-8 text, layout records, indices of controls in their layout.
//
// The runtime decides; a back end carries out. These rules belong to the runtime, and a back end
// must not keep a second copy of any of them:
//
// - Each window class gets one native window, created at its first load and kept until the
//   runtime goes. The runtime creates its controls once, in the order that their names come in a
//   screen reader's reading (creationOrder()), and puts every control back to its record at every
//   load. The runtime never destroys a native window while the program runs, so nothing a back end
//   owns can be freed under one of its own frames.
// - The runtime says when a window is placed, shown, given the focus and hidden. An unloaded window
//   stays on the screen until the program next waits for input, a message box opens or another
//   window is shown; a window loaded and shown again before then never leaves the screen.
// - The runtime owns the windows' timers. They run from the load. A tick that falls due after a
//   window is shown but before it reports its first paint is held back, and its interval starts
//   over from that paint, so that no tick takes away what a window shows before it has been on
//   the screen; a paint within the interval delays nothing.
// - Every failure, of an event procedure or of the back end, becomes a runtime error: a message box
//   with its number, then the program's end with status 1.

#include "conversions.h"
#include "layout.h"

#include <chrono>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace shell {

enum class MsgStyle { Stop = 16, Exclamation = 48, Information = 64 };

// What a back end tells the runtime about one of its windows. The back end calls these from its
// event loop, or from inside show() for painted(). They may run event procedures, which may open
// modal loops, hide this window or end the program; a back end must not rely on anything of the
// window's staying as it was across them. They throw nothing.
class WindowEvents
{
public:
    virtual void clicked(std::size_t control) = 0;
    // The desktop asks to close the window (Alt+F4, the window manager's close).
    virtual void closeRequested() = 0;
    // The window's contents as they stand have reached the screen since it was last shown. Every
    // show() must lead to this once the window has been painted, if it is painted at all.
    virtual void painted() = 0;

protected:
    ~WindowEvents() = default;
};

// One control of a window. The native control holds the state; the runtime reads and writes it
// through here, so that what the user typed is never out of step. A member that the control's kind
// does not have fails with error 438, as the runtime's own controls do.
//
// What the user does with the controls is the toolkit's to carry out, as the layouts' defaults
// have it: Tab moves the focus in creation order, passing over labels and disabled controls; no
// button is the default one, but a focused button answers Enter as it answers Space, once per
// press; a combo box's typed text stays as typed (never completed from the list nor added to it);
// a locked text or combo box shows its text and its list but keeps its text; a window's option
// buttons form one group; option buttons and check boxes toggle on a click anywhere in their
// rectangle; every caption is drawn in the one font of the back end's controls.
class NativeControl
{
public:
    virtual ~NativeControl() = default;

    // Puts the control in the state its record gives: caption or text, list items, check, enabled
    // and locked states, colours; any list open is closed and any button let go.
    virtual void reset() = 0;

    // A label's or button's caption, a text or combo box's text.
    virtual std::string text() const;
    virtual void setText(std::string_view text);
    virtual bool isEnabled() const;
    virtual void setEnabled(bool enabled);
    // Option buttons and check boxes: 0 clear, 1 ticked, 2 greyed (check boxes only).
    virtual int checkState() const;
    virtual void setCheckState(int state);
    // Combo boxes: the list, counted from 0.
    virtual std::size_t itemCount() const;
    virtual std::string item(std::size_t index) const;
    virtual void addItem(std::string_view item);
    // Gives the control the keyboard focus; a control that has it already keeps it quietly.
    virtual void setFocus();
};

// A window with its controls, as the runtime drives it. It starts hidden.
class NativeWindow
{
public:
    virtual ~NativeWindow() = default;

    // Creates the control at this index of the layout (never a timer, which has no control), at its
    // rectangle. The runtime calls this once per control, in creation order: a toolkit that orders
    // its children (z-order, focus chain, reading order) follows the order of these calls.
    virtual NativeControl& createControl(std::size_t index) = 0;
    // The label at `label` names the control at `control` for screen readers; the runtime calls this
    // once both exist. A toolkit that names a control by the label created just before it has
    // nothing more to do.
    virtual void setLabelFor(std::size_t label, std::size_t control) = 0;
    // Puts the hidden window at its record's place and size, as every load opens it, wherever the
    // user moved it last time.
    virtual void place() = 0;
    // Makes the window visible, in front and active; it may be on the screen already (unloaded and
    // loaded again before it was hidden), and then stays where it is. Modal: the program's other
    // windows stay visible but take no input until this one is hidden. The window is painted anew
    // after this call, and reports painted() when that has happened.
    virtual void show(bool modal) = 0;
    // Takes the window off the screen. The windows that its modal showing kept from input take
    // input again first, and the one that was active before it is active again.
    virtual void hide() = 0;
};

// A repeating timer of the runtime's. A tick never comes before its interval has passed since
// start() or the last tick; intervals that pass while the program is busy come as one tick. After
// stop(), or a new start(), no tick of the old interval comes, even one that was already due.
class IntervalTimer
{
public:
    virtual ~IntervalTimer() = default;
    // Starts the first interval now; a running timer starts over. Throws RuntimeError when the
    // system refuses the timer.
    virtual void start(std::chrono::milliseconds interval) = 0;
    virtual void stop() = 0;
};

// A nested event loop, as a modal Show runs one.
class EventLoop
{
public:
    virtual ~EventLoop() = default;
    // Delivers events until exit() is called. Throws RuntimeError when the next event cannot be had.
    virtual void exec() = 0;
    // Makes exec() return once control is back in it; harmless when it is not running.
    virtual void exit() = 0;
};

class Backend
{
public:
    virtual ~Backend() = default;

    // The window of a layout, hidden, at its place, without controls yet. Throws RuntimeError when
    // the system refuses it.
    virtual std::unique_ptr<NativeWindow> createWindow(const FormLayout& layout, WindowEvents& events) = 0;
    // A timer whose ticks call `elapsed` from the event loop, also while a message box is open.
    virtual std::unique_ptr<IntervalTimer> createTimer(std::function<void()> elapsed) = 0;
    virtual std::unique_ptr<EventLoop> createEventLoop() = 0;
    // Runs `task` from the event loop as soon as control is back there, before any input.
    virtual void post(std::function<void()> task) = 0;
    // A modal box with a single OK button, owned by the active window; returns once it has been
    // dismissed.
    virtual void messageBox(std::string_view prompt, MsgStyle style, std::string_view title) = 0;
    // Closes whatever the back end has open of its own (message boxes) because the program ends.
    virtual void closeAll() = 0;
    // How the user's locale writes short dates.
    virtual DateFormat dateFormat() const = 0;
    // Runs the program's main event loop until quit(); returns its status. Throws RuntimeError when
    // the next event cannot be had.
    virtual int exec() = 0;
    virtual void quit(int status) = 0;
};

// Where a back end hands a failure of its own that it caught under a toolkit's frame (a window
// procedure, an event handler), where nothing may be thrown: the runtime reports it as a runtime
// error and ends the program with status 1.
void reportFailure(std::exception_ptr failure) noexcept;

}
