#include "backend.h"

#include <QApplication>
#include <QEventLoop>

namespace qtbackend {

namespace {

    class EventLoop final : public shell::EventLoop
    {
    public:
        void exec() override { m_loop.exec(QEventLoop::DialogExec); }
        void exit() override { m_loop.exit(); }

    private:
        QEventLoop m_loop;
    };

}

std::unique_ptr<shell::EventLoop> QtBackend::createEventLoop()
{
    return std::make_unique<EventLoop>();
}

// Posted as a queued call, which every loop delivers before the window system's input.
void QtBackend::post(std::function<void()> task)
{
    QMetaObject::invokeMethod(QCoreApplication::instance(), std::move(task), Qt::QueuedConnection);
}

int QtBackend::exec()
{
    return QApplication::exec();
}

void QtBackend::quit(int status)
{
    QCoreApplication::exit(status);
}

}
