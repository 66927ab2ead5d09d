#include "fakedesktop.h"

#include "shell/errors.h"

#include <algorithm>

namespace testsupport {

using namespace std::chrono_literals;

FakeControl::FakeControl(FakeWindow& window, const shell::ControlRecord& record)
    : m_window(window)
    , m_record(record)
{
}

void FakeControl::reset()
{
    m_text = m_record.caption;
    m_enabled = !m_record.options.disabled;
    m_check = 0;
    m_items = m_record.options.items ? m_record.options.items() : std::vector<std::string> {};
}

void FakeControl::setCheckState(int state)
{
    if (m_record.kind != shell::ControlKind::OptionButton && m_record.kind != shell::ControlKind::CheckBox)
        shell::NativeControl::setCheckState(state);
    m_check = state;
}

void FakeControl::setFocus()
{
    if (m_record.kind == shell::ControlKind::Label)
        shell::NativeControl::setFocus();
    m_window.focus = std::size_t(shell::controlIndex(m_window.layout(), m_record.name));
}

FakeWindow::FakeWindow(FakeDesktop& desktop, const shell::FormLayout& layout, shell::WindowEvents& events)
    : m_desktop(desktop)
    , m_layout(layout)
    , m_events(events)
    , m_controls(layout.controls.size())
{
    desktop.windows.push_back(this);
}

FakeWindow::~FakeWindow()
{
    m_desktop.cancel(this);
    std::erase(m_desktop.windows, this);
    std::erase(m_desktop.modal, this);
}

shell::NativeControl& FakeWindow::createControl(std::size_t index)
{
    if (m_controls.at(index))
        throw std::logic_error("a control created twice");
    created.push_back(index);
    m_controls[index] = std::make_unique<FakeControl>(*this, m_layout.controls[index]);
    return *m_controls[index];
}

void FakeWindow::setLabelFor(std::size_t label, std::size_t control)
{
    labels.emplace_back(label, control);
}

void FakeWindow::show(bool modal)
{
    ++shows;
    m_visible = true;
    std::erase(m_desktop.modal, this);
    if (modal)
        m_desktop.modal.push_back(this);
    if (m_desktop.onShow)
        m_desktop.onShow(*this);
    m_desktop.cancel(this);
    if (m_desktop.paintDelay)
        m_desktop.schedule({ m_desktop.now() + *m_desktop.paintDelay, [this] { m_events.painted(); }, this });
}

void FakeWindow::hide()
{
    ++hides;
    m_visible = false;
    m_desktop.cancel(this);
    std::erase(m_desktop.modal, this);
}

FakeControl& FakeWindow::fake(std::string_view name)
{
    const int index = shell::controlIndex(m_layout, name);
    if (index < 0 || !m_controls[std::size_t(index)])
        throw std::out_of_range("no control " + std::string(name));
    return *m_controls[std::size_t(index)];
}

class FakeTimer final : public shell::IntervalTimer
{
public:
    FakeTimer(FakeDesktop& desktop, std::function<void()> elapsed)
        : m_desktop(desktop)
        , m_elapsed(std::move(elapsed))
    {
    }
    ~FakeTimer() override { m_desktop.cancel(this); }

    void start(std::chrono::milliseconds interval) override
    {
        if (m_desktop.refuseTimers)
            throw shell::RuntimeError(shell::error::Internal, "timer refused");
        m_interval = interval;
        m_desktop.cancel(this);
        arm();
    }
    void stop() override { m_desktop.cancel(this); }

private:
    void arm()
    {
        m_desktop.schedule({ m_desktop.now() + m_interval, [this] {
                                arm();
                                m_elapsed();
                            },
            this });
    }

    FakeDesktop& m_desktop;
    std::function<void()> m_elapsed;
    std::chrono::milliseconds m_interval { 0 };
};

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

std::unique_ptr<shell::IntervalTimer> FakeDesktop::createTimer(std::function<void()> elapsed)
{
    return std::make_unique<FakeTimer>(*this, std::move(elapsed));
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

// What the runtime posted runs before any input, as a real event loop runs it.
void FakeDesktop::runPosted()
{
    while (!m_posted.empty()) {
        const std::function<void()> task = std::move(m_posted.front());
        m_posted.erase(m_posted.begin());
        task();
    }
}

bool FakeDesktop::deliverOne(std::chrono::milliseconds until)
{
    if (!m_posted.empty()) {
        runPosted();
        return true;
    }
    for (auto it = m_pending.begin(); it != m_pending.end(); ++it) {
        if (it->condition()) {
            const std::function<void()> action = std::move(it->action);
            m_pending.erase(it);
            shell::Runtime::current().call(action);
            return true;
        }
    }
    // The next paint or tick, earliest first and in the order scheduled.
    const auto next = std::min_element(
        m_due.begin(), m_due.end(), [](const Due& a, const Due& b) { return a.at < b.at; });
    if (next == m_due.end() || next->at > until)
        return false;
    m_now = std::max(m_now, next->at);
    const std::function<void()> what = std::move(next->what);
    m_due.erase(next);
    what();
    return true;
}

void FakeDesktop::when(std::function<bool()> condition, std::function<void()> action)
{
    m_pending.push_back({ std::move(condition), std::move(action) });
}

bool FakeDesktop::takesInput(const shell::Form& form) const
{
    const FakeWindow* fake = window(form);
    return fake && form.isLoaded() && fake->isVisible() && (modal.empty() || modal.back() == fake);
}

FakeWindow* FakeDesktop::window(const shell::Form& form) const
{
    return dynamic_cast<FakeWindow*>(form.nativeWindow());
}

void FakeDesktop::click(shell::Form& form, std::string_view control)
{
    runPosted();
    if (!takesInput(form))
        return fail("a click on " + std::string(control) + " of a window that takes no input");
    FakeControl& target = window(form)->fake(control);
    if (!target.isEnabled())
        return; // A disabled button ignores the click.
    // A click takes the focus along, as on every desktop.
    if (target.record().kind != shell::ControlKind::Label)
        target.setFocus();
    switch (target.record().kind) {
    case shell::ControlKind::OptionButton:
        for (std::size_t i = 0; i < form.layout().controls.size(); ++i) {
            if (form.layout().controls[i].kind == shell::ControlKind::OptionButton)
                window(form)->fake(form.layout().controls[i].name).setCheckState(0);
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
    runPosted();
    if (!takesInput(form))
        return fail("typing into " + std::string(control) + " of a window that takes no input");
    FakeControl& target = window(form)->fake(control);
    if (!target.isLocked())
        target.setText(text);
}

void FakeDesktop::tick(shell::Form& form, std::string_view control, int state)
{
    runPosted();
    if (!takesInput(form))
        return fail("ticking " + std::string(control) + " of a window that takes no input");
    window(form)->fake(control).setCheckState(state);
}

void FakeDesktop::requestClose(shell::Form& form)
{
    runPosted();
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
