#pragma once

#include "shell/backend.h"
#include "shell/form.h"
#include "shell/runtime.h"

#include <QTest>

#include <chrono>
#include <functional>
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

class FakeControl final : public shell::NativeControl
{
public:
    FakeControl(const shell::ControlRecord& record);

    std::string text() const override { return m_text; }
    void setText(std::string_view text) override { m_text = text; }
    void setEnabled(bool enabled) override { m_enabled = enabled; }
    int checkState() const override { return m_check; }
    void setCheckState(int state) override;
    std::size_t itemCount() const override { return m_items.size(); }
    std::string item(std::size_t index) const override { return m_items.at(index); }
    void addItem(std::string_view item) override { m_items.emplace_back(item); }
    void setFocus() override { m_focusRequests++; }

    const shell::ControlRecord& record() const { return m_record; }
    bool isEnabled() const { return m_enabled; }
    bool isLocked() const { return m_record.options.locked; }
    const std::vector<std::string>& items() const { return m_items; }
    int focusRequests() const { return m_focusRequests; }

private:
    const shell::ControlRecord& m_record;
    std::string m_text;
    bool m_enabled;
    int m_check = 0;
    int m_focusRequests = 0;
    std::vector<std::string> m_items;
};

class FakeWindow final : public shell::NativeWindow
{
public:
    FakeWindow(FakeDesktop& desktop, const shell::FormLayout& layout, shell::WindowEvents& events);
    ~FakeWindow() override;

    shell::NativeControl* control(std::size_t index) override;
    void show(bool modal) override;
    bool isVisible() const override { return m_visible; }
    void close() override;

    FakeControl& fake(std::string_view name);
    shell::WindowEvents& events() const { return m_events; }
    const shell::FormLayout& layout() const { return m_layout; }
    // Index in the layout and when each running timer fires next.
    std::vector<std::pair<std::size_t, std::chrono::milliseconds>> timers;

private:
    FakeDesktop& m_desktop;
    const shell::FormLayout& m_layout;
    shell::WindowEvents& m_events;
    std::vector<FakeControl> m_controls;
    bool m_visible = false;
};

// A desktop in memory for the runtime's and the windows' tests: no display, no real time. Its
// event loops deliver what the test's person does (actions that wait for a condition) and timer
// ticks on a virtual clock, which jumps straight to the next tick when nothing else is to be done.
// A loop that has nothing left to deliver would wait for ever: it ends the program with status
// 99 instead and says where in `stuck`, so that the test fails instead of hanging.
class FakeDesktop final : public shell::Backend
{
public:
    static constexpr int Stuck = 99;

    std::unique_ptr<shell::NativeWindow> createWindow(
        const shell::FormLayout& layout, shell::WindowEvents& events) override;
    std::unique_ptr<shell::EventLoop> createEventLoop() override;
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
    std::string stuck;
    std::vector<FakeWindow*> windows; // every window that exists, in creation order
    std::vector<FakeWindow*> modal; // the modal windows shown, the top one last

private:
    friend class FakeLoop;
    // Delivers one thing that is due; false when nothing can happen any more.
    bool deliverOne(std::chrono::milliseconds until);
    void fail(const std::string& what);

    struct Pending
    {
        std::function<bool()> condition;
        std::function<void()> action;
    };
    std::vector<Pending> m_pending;
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
