#pragma once

#include "shell/runtime.h"

#include <QApplication>
#include <QTest>

#include <functional>
#include <vector>

namespace testsupport {

struct ShownBox
{
    QString prompt;
    shell::MsgStyle style;
    QString title;
};

// Stands in for the message boxes: records each one and answers OK at once, after running the
// optional reaction (what the user does while the box is open).
class MessageRecorder final : public shell::MessageBoxes
{
public:
    explicit MessageRecorder(std::vector<ShownBox>& boxes, std::function<void(const ShownBox&)> reaction = {})
        : m_boxes(boxes)
        , m_reaction(std::move(reaction))
    {
    }

    void show(const QString& prompt, shell::MsgStyle style, const QString& title) override
    {
        m_boxes.push_back({ prompt, style, title });
        if (m_reaction)
            m_reaction(m_boxes.back());
    }

private:
    std::vector<ShownBox>& m_boxes;
    std::function<void(const ShownBox&)> m_reaction;
};

// A fresh runtime for one test, with every message box recorded in `boxes`.
class RuntimeFixture
{
public:
    RuntimeFixture() { runtime.setMessageBoxes(std::make_unique<MessageRecorder>(boxes)); }

    void reactToBoxes(std::function<void(const ShownBox&)> reaction)
    {
        runtime.setMessageBoxes(std::make_unique<MessageRecorder>(boxes, std::move(reaction)));
    }

    std::vector<ShownBox> boxes;
    shell::Runtime runtime;
};

// Runs `action` through the runtime's event boundary as soon as the window of F is the active
// modal window, from inside the event loop that its Show runs. Gives up after a few seconds and
// ends the program, so that a test whose window never appears fails instead of hanging.
void whenModal(const std::function<QWidget*()>& window, std::function<void()> action);

template <class F> void whenShown(std::function<void()> action)
{
    whenModal([] { return shell::form<F>().window(); }, std::move(action));
}

// Whether `window` is the one that takes input while the modal windows are open.
inline bool isActiveModal(const QWidget* window)
{
    return window && window->isVisible() && QApplication::activeModalWidget() == window;
}

// No top-level widget is left, once deferred deletions have run: a test left nothing behind.
bool noWindowLeft();

}
