#pragma once

#include "backend.h"
#include "errors.h"
#include "layout.h"
#include "timers.h"

#include <functional>
#include <memory>
#include <string_view>
#include <vector>

namespace shell {

class Form;
class Runtime;

using Procedure = std::function<void()>;

// Where a window attaches its event procedures to its controls, by control name, in one place.
class EventBinder
{
public:
    void click(std::string_view control, Procedure procedure);
    void timer(std::string_view control, Procedure procedure);

private:
    friend class Form;
    explicit EventBinder(Form& form)
        : m_form(form)
    {
    }
    void attach(std::string_view control, ControlKind kind, Procedure procedure);

    Form& m_form;
};

// One window class: its layout record, its public fields (members of the subclass) and its event
// procedures. The instance lives in the runtime's registry for the whole run. Its native window is
// made at the first load and kept to the end; every load starts its controls afresh from the
// layout record, and between loads the window is neither loaded nor shown.
class Form : private WindowEvents
{
public:
    explicit Form(const FormLayout& layout);
    virtual ~Form();
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;

    const FormLayout& layout() const { return m_layout; }
    bool isLoaded() const { return m_loaded; }
    bool isShown() const { return m_shown; }
    // Whether the window is on the screen: shown, or unloaded and not yet taken off.
    bool isOnScreen() const { return m_onScreen; }
    // The back end's window, from the first load on; for the back ends' own tests.
    NativeWindow* nativeWindow() const { return m_window.get(); }

    // The named control. Touching a control of a window that is not loaded loads it first,
    // running its Form_Load, without showing it.
    template <class Control> Control control(std::string_view name)
    {
        return Control(*this, controlSlot(name, Control::kind));
    }

    // The control at this index of the layout as it is in the load numbered `load`; error 364
    // once that load is over, so that a handle kept past an Unload never reaches a control that
    // its window has started afresh.
    NativeControl& liveControl(std::size_t index, unsigned load) const;
    unsigned loadNumber() const { return m_loads; }

protected:
    // Runs each time the window is loaded, after its controls exist and before it is shown.
    virtual void Form_Load() { }
    virtual void bindEvents(EventBinder& on) { (void)on; }

private:
    friend class Runtime;
    friend class EventBinder;

    std::size_t controlSlot(std::string_view name, ControlKind kind);
    // The first half of a load: the window made if need be, its controls back at their records,
    // the window at its place if it is off the screen, the timers running.
    void prepareLoad(Backend& backend);
    void build(Backend& backend);
    void endLoad();
    void focusFirst();

    void clicked(std::size_t control) override;
    void closeRequested() override;
    void painted() override;
    void deliver(std::size_t control) noexcept;

    const FormLayout& m_layout;
    // Declared before the timers, which therefore go first.
    std::unique_ptr<NativeWindow> m_window;
    std::vector<NativeControl*> m_controls; // by index in the layout; none for timers
    WindowTimers m_timers;
    // One event procedure per control, by index in the layout; empty where there is none.
    std::vector<Procedure> m_procedures;
    // Whether each control's procedure is running right now.
    std::vector<char> m_running;
    bool m_eventsBound = false;
    bool m_loaded = false;
    bool m_shown = false;
    bool m_onScreen = false;
    unsigned m_loads = 0;
    EventLoop* m_modalLoop = nullptr;
};

}
