#pragma once

#include "backend.h"
#include "errors.h"
#include "layout.h"

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
// procedures. The instance lives in the runtime's registry for the whole run; its window exists
// only while it is loaded, and every load builds the controls afresh from the layout record.
class Form : private WindowEvents
{
public:
    explicit Form(const FormLayout& layout);
    virtual ~Form();
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;

    const FormLayout& layout() const { return m_layout; }
    bool isLoaded() const { return m_window != nullptr; }
    // The back end's window while loaded, otherwise nullptr; for the back ends' own tests.
    NativeWindow* nativeWindow() const { return m_window.get(); }

    // The named control. Touching a control of a window that is not loaded loads it first,
    // running its Form_Load, without showing it.
    template <class Control> Control control(std::string_view name)
    {
        return Control(nativeControl(name, Control::kind));
    }

protected:
    // Runs each time the window is loaded, after its controls exist and before it is shown.
    virtual void Form_Load() { }
    virtual void bindEvents(EventBinder& on) { (void)on; }

private:
    friend class Runtime;
    friend class EventBinder;

    NativeControl& nativeControl(std::string_view name, ControlKind kind);
    void createWindow(Backend& backend);
    std::unique_ptr<NativeWindow> releaseWindow();

    void clicked(std::size_t control) noexcept override;
    void timerElapsed(std::size_t control) noexcept override;
    void closeRequested() noexcept override;
    void deliver(std::size_t control) noexcept;

    const FormLayout& m_layout;
    std::unique_ptr<NativeWindow> m_window;
    // One event procedure per control, by index in the layout; empty where there is none.
    std::vector<Procedure> m_procedures;
    // Whether each control's procedure is running right now.
    std::vector<char> m_running;
    bool m_eventsBound = false;
    EventLoop* m_modalLoop = nullptr;
};

}
