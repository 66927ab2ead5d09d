#pragma once

#include "errors.h"
#include "layout.h"

#include <QHash>
#include <QObject>

#include <functional>

class QEventLoop;
class QWidget;

namespace shell {

class Form;
class FormWindow;

using Procedure = std::function<void()>;

// Where a window attaches its event procedures to its controls, by control name, in one place.
class EventBinder
{
public:
    void click(std::string_view control, Procedure procedure);
    void timer(std::string_view control, Procedure procedure);

private:
    friend class Form;
    template <class Control, class Signal>
    void attach(std::string_view control, Signal signal, Procedure procedure);

    EventBinder(Form& form, FormWindow* window)
        : m_form(form)
        , m_window(window)
    {
    }

    Form& m_form;
    FormWindow* m_window;
};

// One window class: its layout record, its public fields (members of the subclass) and its event
// procedures. The instance lives in the runtime's registry for the whole run; its window exists
// only while it is loaded, and every load builds the controls afresh from the layout record.
class Form
{
public:
    explicit Form(const FormLayout& layout);
    virtual ~Form();
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;

    const FormLayout& layout() const { return m_layout; }
    bool isLoaded() const { return m_window != nullptr; }
    // The window while loaded, otherwise nullptr.
    QWidget* window() const;

    // The named control. Touching a control of a window that is not loaded loads it first,
    // running its Form_Load, without showing it.
    template <class Control> Control& control(std::string_view name)
    {
        if (auto* found = qobject_cast<Control*>(controlObject(name)))
            return *found;
        throw RuntimeError(error::NoSuchMember, text(name));
    }

protected:
    // Runs each time the window is loaded, after its controls exist and before it is shown.
    virtual void Form_Load() { }
    virtual void bindEvents(EventBinder& on) { Q_UNUSED(on) }

private:
    friend class Runtime;
    friend class EventBinder;

    QObject* controlObject(std::string_view name);
    QObject* findControl(std::string_view name) const;
    void createWindow();
    // Detaches the window from the instance: its timers stop and it disappears at once.
    QWidget* releaseWindow();
    void stopTimers();
    void deliver(FormWindow* window, const Procedure& procedure, bool& running);

    const FormLayout& m_layout;
    FormWindow* m_window = nullptr;
    QHash<QString, QObject*> m_controls;
    QEventLoop* m_modalLoop = nullptr;
};

}
