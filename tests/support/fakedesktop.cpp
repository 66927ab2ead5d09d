#include "fakedesktop.h"

#include <algorithm>
#include <limits>

namespace testsupport {

using namespace std::chrono_literals;

FakeControl::FakeControl(const shell::ControlRecord& record)
    : m_record(record)
    , m_text(record.caption)
    , m_enabled(!record.options.disabled)
{
    if (record.options.items)
        m_items = record.options.items();
}

void FakeControl::setCheckState(int state)
{
    if (m_record.kind != shell::ControlKind::OptionButton && m_record.kind != shell::ControlKind::CheckBox)
        shell::NativeControl::setCheckState(state);
    m_check = state;
}

FakeWindow::FakeWindow(FakeDesktop& desktop, const shell::FormLayout& layout, shell::WindowEvents& events)
    : m_desktop(desktop)
    , m_layout(layout)
    , m_events(events)
{
    for (std::size_t i = 0; i < layout.controls.size(); ++i) {
        m_controls.emplace_back(layout.controls[i]);
        if (layout.controls[i].kind == shell::ControlKind::Timer)
            timers.emplace_back(
                i, desktop.now() + std::chrono::milliseconds(layout.controls[i].options.interval));
    }
    desktop.windows.push_back(this);
}

FakeWindow::~FakeWindow()
{
    std::erase(m_desktop.windows, this);
    std::erase(m_desktop.modal, this);
}

shell::NativeControl* FakeWindow::control(std::size_t index)
{
    return m_layout.controls[index].kind == shell::ControlKind::Timer ? nullptr : &m_controls.at(index);
}

void FakeWindow::show(bool modal)
{
    m_visible = true;
    if (modal)
        m_desktop.modal.push_back(this);
    if (m_desktop.onShow)
        m_desktop.onShow(*this);
}

void FakeWindow::close()
{
    m_visible = false;
    timers.clear();
    std::erase(m_desktop.modal, this);
}

FakeControl& FakeWindow::fake(std::string_view name)
{
    return m_controls.at(std::size_t(shell::controlIndex(m_layout, name)));
}

class FakeLoop final : public shell::EventLoop
{
public:
    explicit FakeLoop(FakeDesktop& desktop)
        : m_desktop(desktop)
    {
    }

    void exec() override
    {
        // An hour of virtual time is far more than any window of the program waits for: a loop
        // still running then only has timers left that tick for ever.
        const auto deadline = m_desktop.now() + std::chrono::hours(1);
        while (!m_exit && !m_desktop.m_quit) {
            if (!m_desktop.deliverOne(deadline)) {
                m_desktop.fail("a modal loop has nothing left to deliver");
                return;
            }
        }
    }
    void exit() override { m_exit = true; }

private:
    FakeDesktop& m_desktop;
    bool m_exit = false;
};

std::unique_ptr<shell::NativeWindow> FakeDesktop::createWindow(
    const shell::FormLayout& layout, shell::WindowEvents& events)
{
    return std::make_unique<FakeWindow>(*this, layout, events);
}

std::unique_ptr<shell::EventLoop> FakeDesktop::createEventLoop()
{
    return std::make_unique<FakeLoop>(*this);
}

void FakeDesktop::messageBox(std::string_view prompt, shell::MsgStyle style, std::string_view title)
{
    boxes.push_back({ std::string(prompt), style, std::string(title) });
    if (onBox)
        onBox(boxes.back());
}

int FakeDesktop::exec()
{
    const auto deadline = m_now + std::chrono::hours(1);
    while (!m_quit) {
        if (!deliverOne(deadline))
            break; // The program waits for a person who has nothing more to do.
    }
    return m_status;
}

void FakeDesktop::quit(int status)
{
    m_quit = true;
    m_status = status;
}

void FakeDesktop::fail(const std::string& what)
{
    if (stuck.empty())
        stuck = what;
    shell::Runtime::current().quit(Stuck);
    quit(Stuck);
}

bool FakeDesktop::deliverOne(std::chrono::milliseconds until)
{
    for (auto it = m_pending.begin(); it != m_pending.end(); ++it) {
        if (it->condition()) {
            const std::function<void()> action = std::move(it->action);
            m_pending.erase(it);
            shell::Runtime::current().call(action);
            return true;
        }
    }
    // The next timer to fire, over every window, earliest first and in creation order.
    FakeWindow* window = nullptr;
    std::size_t timer = 0;
    auto due = std::chrono::milliseconds::max();
    for (FakeWindow* candidate : windows) {
        for (std::size_t i = 0; i < candidate->timers.size(); ++i) {
            if (candidate->timers[i].second < due) {
                due = candidate->timers[i].second;
                window = candidate;
                timer = i;
            }
        }
    }
    if (!window || due > until)
        return false;
    m_now = std::max(m_now, due);
    const std::size_t control = window->timers[timer].first;
    window->timers[timer].second
        = m_now + std::chrono::milliseconds(window->layout().controls[control].options.interval);
    window->events().timerElapsed(control);
    return true;
}

void FakeDesktop::when(std::function<bool()> condition, std::function<void()> action)
{
    m_pending.push_back({ std::move(condition), std::move(action) });
}

bool FakeDesktop::takesInput(const shell::Form& form) const
{
    const FakeWindow* fake = window(form);
    return fake && fake->isVisible() && (modal.empty() || modal.back() == fake);
}

FakeWindow* FakeDesktop::window(const shell::Form& form) const
{
    return dynamic_cast<FakeWindow*>(form.nativeWindow());
}

void FakeDesktop::click(shell::Form& form, std::string_view control)
{
    if (!takesInput(form))
        return fail("a click on " + std::string(control) + " of a window that takes no input");
    FakeControl& target = window(form)->fake(control);
    if (!target.isEnabled())
        return; // A disabled button ignores the click.
    switch (target.record().kind) {
    case shell::ControlKind::OptionButton:
        for (std::size_t i = 0; i < form.layout().controls.size(); ++i) {
            if (form.layout().controls[i].kind == shell::ControlKind::OptionButton)
                form.nativeWindow()->control(i)->setCheckState(0);
        }
        target.setCheckState(1);
        break;
    case shell::ControlKind::CheckBox:
        target.setCheckState(target.checkState() == 1 ? 0 : 1);
        break;
    case shell::ControlKind::CommandButton:
        window(form)->events().clicked(std::size_t(shell::controlIndex(form.layout(), control)));
        break;
    default:
        break;
    }
}

void FakeDesktop::type(shell::Form& form, std::string_view control, std::string_view text)
{
    if (!takesInput(form))
        return fail("typing into " + std::string(control) + " of a window that takes no input");
    FakeControl& target = window(form)->fake(control);
    if (!target.isLocked())
        target.setText(text);
}

void FakeDesktop::tick(shell::Form& form, std::string_view control, int state)
{
    if (!takesInput(form))
        return fail("ticking " + std::string(control) + " of a window that takes no input");
    window(form)->fake(control).setCheckState(state);
}

void FakeDesktop::requestClose(shell::Form& form)
{
    if (FakeWindow* fake = window(form))
        fake->events().closeRequested();
}

void FakeDesktop::wait(std::chrono::milliseconds duration)
{
    const auto until = m_now + duration;
    while (!m_quit && deliverOne(until)) { }
    m_now = std::max(m_now, until);
}

}
