#pragma once

// The browser back end: each window an element of the page, its controls the browser's own form
// controls. A page cannot block, so the one place where the program waits, nextEvent(), suspends
// the whole C++ stack with Asyncify until the page's event handlers queue an event; a modal Show,
// a message box and the main loop all wait there, nested as their callers are.

#include "shell/backend.h"

#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace webbackend {

class WebBackend;

// What the page's event handlers queue, as page.js numbers them.
enum class PageEvent { Click = 1, Close = 2, Painted = 3, Tick = 4, BoxDismissed = 5 };

class WebControl final : public shell::NativeControl
{
public:
    WebControl(int window, std::size_t index, const shell::ControlRecord& record);

    void reset() override;
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

private:
    bool is(shell::ControlKind kind) const { return m_record.kind == kind; }
    bool hasText() const;

    int m_window;
    int m_index;
    const shell::ControlRecord& m_record;
};

class WebWindow final : public shell::NativeWindow
{
public:
    WebWindow(WebBackend& backend, int id, const shell::FormLayout& layout, shell::WindowEvents& events);
    ~WebWindow() override;

    shell::NativeControl& createControl(std::size_t index) override;
    void setLabelFor(std::size_t label, std::size_t control) override;
    void place() override;
    void show(bool modal) override;
    void hide() override;

    // The page's events for this window. Each may run event procedures, so the window must not be
    // touched after one returns.
    void deliver(PageEvent event, int argument);

private:
    WebBackend& m_backend;
    int m_id;
    const shell::FormLayout& m_layout;
    shell::WindowEvents& m_events;
    std::vector<std::unique_ptr<WebControl>> m_controls;
    int m_showing = 0;
};

class WebTimer final : public shell::IntervalTimer
{
public:
    WebTimer(WebBackend& backend, int id, std::function<void()> elapsed);
    ~WebTimer() override;

    void start(std::chrono::milliseconds interval) override;
    void stop() override;
    // A tick that the page queued for this generation of the timer.
    void tick(int generation);

private:
    WebBackend& m_backend;
    int m_id;
    std::function<void()> m_elapsed;
    std::chrono::milliseconds m_interval {};
    int m_generation = 0;
    bool m_running = false;
};

class WebEventLoop final : public shell::EventLoop
{
public:
    explicit WebEventLoop(WebBackend& backend)
        : m_backend(backend)
    {
    }
    void exec() override;
    void exit() override { m_exiting = true; }

private:
    WebBackend& m_backend;
    bool m_exiting = false;
};

class WebBackend final : public shell::Backend
{
public:
    WebBackend();
    ~WebBackend() override;

    std::unique_ptr<shell::NativeWindow> createWindow(const shell::FormLayout& layout,
        shell::WindowEvents& events) override;
    std::unique_ptr<shell::IntervalTimer> createTimer(std::function<void()> elapsed) override;
    std::unique_ptr<shell::EventLoop> createEventLoop() override;
    void post(std::function<void()> task) override;
    void messageBox(std::string_view prompt, shell::MsgStyle style, std::string_view title) override;
    void closeAll() override;
    shell::DateFormat dateFormat() const override;
    int exec() override;
    void quit(int status) override;

    bool quitting() const { return m_quitting; }
    // Runs the first posted task, or else waits for the page's next event and delivers it.
    void deliverNext();

    void forget(const WebWindow& window, int id);
    void forget(const WebTimer& timer, int id);

private:
    std::vector<WebWindow*> m_windows; // by id; nullptr once destroyed
    std::vector<WebTimer*> m_timers;
    std::deque<std::function<void()>> m_tasks;
    std::set<int> m_openBoxes;
    int m_boxes = 0;
    bool m_quitting = false;
    int m_status = 0;
};

// A colour that a layout names, as the CSS system colour that follows the user's scheme; empty
// for the default.
const char* cssColour(shell::SystemColour colour);

// The page's favicon, drawn from a window's pixel-art icon; and the message boxes' icons, as SVG.
void setPageIcon(std::string_view art);
std::string messageIcon(shell::MsgStyle style);

}
