#include "testsupport.h"

#include <QDeadlineTimer>
#include <QTimer>

namespace testsupport {

void whenModal(const std::function<QWidget*()>& window, std::function<void()> action)
{
    auto* poll = new QTimer;
    const QDeadlineTimer deadline(5000);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, window, action = std::move(action), deadline] {
        if (isActiveModal(window())) {
            poll->deleteLater();
            poll->stop();
            shell::Runtime::current().call(action);
        } else if (deadline.hasExpired()) {
            poll->deleteLater();
            poll->stop();
            qWarning("The expected modal window never became active");
            shell::Runtime::current().quit(99);
        }
    });
    poll->start(5);
}

bool noWindowLeft()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return QApplication::topLevelWidgets().isEmpty();
}

}
