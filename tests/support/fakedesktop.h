#pragma once

#include "shell/backend.h"
#include "shell/form.h"
#include "shell/runtime.h"

#include <QTest>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace testsupport {

struct ShownBox
{
    std::string prompt;
    shell::MsgStyle style;
    std::string title;
};

class FakeDesktop;
class FakeWindow;

class FakeControl final : public shell::NativeControl
{
public:
    FakeControl(FakeWindow& window, const shell::ControlRecord& record);

    void reset() override;
    std::string text() const override { return m_text; }
    void setText(std::string_view text) override { m_text = text; }
    bool isEnabled() const override { return m_enabled; }
    void setEnabled(bool enabled) override { m_enabled = enabled; }
    int checkState() const override { return m_check; }
    void setCheckState(int state) override;
    std::size_t itemCount() const override { return m_items.size(); }
    std::string item(std::size_t index) const override { return m_items.at(index); }
    void addItem(std::string_view item) override { m_items.emplace_back(item); }
    void setFocus() override;

    const shell::ControlRecord& record() const { return m_record; }
    bool isLocked() const { return m_record.options.locked; }
    const std::vector<std::string>& items() const { return m_items; }

private:
    FakeWindow& m_window;
    const shell::ControlRecord& m_record;
    std::string m_text;
    bool m_enabled = true;
    int m_check = 0;
    std::vector<std::string> m_items;
};

// One window of the desktop, kept by the runtime from its first load to the end, as every back end
// keeps it. It remembers what the runtime asked of it, for the tests to check the runtime's rules.
class FakeWindow final : public shell::NativeWindow
{
public:
    FakeWindow(FakeDesktop& desktop, const shell::FormLayout& layout, shell::WindowEvents& events);
    ~FakeWindow() override;

    shell::NativeControl& createControl(std::size_t index) override;
    void setLabelFor(std::size_t label, std::size_t control) override;
    void place() override { ++placements; }
    void show(bool modal) override;
    void hide() override;

    bool isVisible() const { return m_visible; }
    FakeControl& fake(std::string_view name);
    shell::WindowEvents& events() const { return m_events; }
    const shell::FormLayout& layout() const { return m_layout; }

    std::vector<std::size_t> created; // control indices, in the order they were created
    std::vector<std::pair<std::size_t, std::size_t>> labels; // label, control it names
    std::optional<std::size_t> focus; // the control that has the focus
    int placements = 0;
    int shows = 0;
    int hides = 0;

private:
    FakeDesktop& m_desktop;
    const shell::FormLayout& m_layout;
    shell::WindowEvents& m_events;
    std::vector<std::unique_ptr<FakeControl>> m_controls; // by index in the layout
    bool m_visible = false;
};

// A desktop in memory for the runtime's and the windows' tests: no display, no real time. It keeps
// the back-end contract as the real back ends do (a window reports its first paint a moment after
// it is shown, `paintDelay`), and its event loops deliver, in this order: the runtime's posted
// tasks, what the test's person does (actions that wait for a condition), then paints and timer
// ticks on a virtual clock, which jumps straight to the next one when nothing else is to be done.
// A loop that has nothing left to deliver would wait for ever: it ends the program with status 99
// instead and says where in `stuck`, so that the test fails instead of hanging.
class FakeDesktop final : public shell::Backend
{
public:
    static constexpr int Stuck = 99;

    std::unique_ptr<shell::NativeWindow> createWindow(
        const shell::FormLayout& layout, shell::WindowEvents& events) override;
    std::unique_ptr<shell::IntervalTimer> createTimer(std::function<void()> elapsed) override;
    std::unique_ptr<shell::EventLoop> createEventLoop() override;
    void post(std::function<void()> task) override { m_posted.push_back(std::move(task)); }
    void messageBox(std::string_view prompt, shell::MsgStyle style, std::string_view title) override;
    void closeAll() override { }
    shell::DateFormat dateFormat() const override { return format; }
    int exec() override;
    void quit(int status) override;

    // What the person does once `condition` holds, delivered by the next event loop that runs.
    void when(std::function<bool()> condition, std::function<void()> action);
    // Once the window of F is the one that takes input.
    template <class F> void whenShown(std::function<void()> action)
    {
        when([this] { return takesInput(shell::form<F>()); }, std::move(action));
    }

    // A person's actions; each is refused (the test fails) where a person could not do it.
    void click(shell::Form& form, std::string_view control);
    void type(shell::Form& form, std::string_view control, std::string_view text);
    void tick(shell::Form& form, std::string_view control, int state);
    void requestClose(shell::Form& form);
    // Lets `duration` of virtual time pass, delivering what falls due meanwhile.
    void wait(std::chrono::milliseconds duration);

    bool takesInput(const shell::Form& form) const;
    FakeWindow* window(const shell::Form& form) const;
    std::chrono::milliseconds now() const { return m_now; }

    std::vector<ShownBox> boxes;
    // What the person does while a message box is open; it is dismissed afterwards.
    std::function<void(const ShownBox&)> onBox;
    // What the person sees as each window appears, before it takes any input; for watching only,
    // since what the person does goes through `when`.
    std::function<void(FakeWindow&)> onShow;
    shell::DateFormat format { .shortPattern = "dd/MM/yyyy", .monthNames = {}, .shortMonthNames = {} };
    // How long a shown window takes to reach the screen; none: it never does (a covered window).
    std::optional<std::chrono::milliseconds> paintDelay { std::chrono::milliseconds(0) };
    // Timers that the system refuses to arm.
    bool refuseTimers = false;
    std::string stuck;
    std::vector<FakeWindow*> windows; // every window that exists, in creation order
    std::vector<FakeWindow*> modal; // the modal windows shown, the top one last

private:
    friend class FakeLoop;
    friend class FakeTimer;
    friend class FakeWindow;
    // Delivers one thing that is due; false when nothing can happen any more.
    bool deliverOne(std::chrono::milliseconds until);
    void runPosted();
    void fail(const std::string& what);

    struct Pending
    {
        std::function<bool()> condition;
        std::function<void()> action;
    };
    struct Due
    {
        std::chrono::milliseconds at;
        std::function<void()> what;
        const void* owner; // what a paint or tick belongs to, so that it can be called off
    };
    void schedule(Due due) { m_due.push_back(std::move(due)); }
    void cancel(const void* owner) { std::erase_if(m_due, [&](const Due& due) { return due.owner == owner; }); }

    std::vector<std::function<void()>> m_posted;
    std::vector<Pending> m_pending;
    std::vector<Due> m_due; // in the order scheduled
    std::chrono::milliseconds m_now { 0 };
    bool m_quit = false;
    int m_status = 0;
};

// A fresh desktop and runtime for one test.
struct RuntimeFixture
{
    FakeDesktop desktop;
    shell::Runtime runtime { desktop };
    std::vector<ShownBox>& boxes = desktop.boxes;
};

}

// Failing comparisons of UTF-8 texts show both texts.
namespace QTest {
template <> inline char* toString(const std::string& text)
{
    return qstrdup(text.c_str());
}
}
