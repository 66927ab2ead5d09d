#include "runtime.h"

#include <QApplication>
#include <QDialog>
#include <QEventLoop>
#include <QMessageBox>
#include <QWidget>

#include <algorithm>
#include <utility>

namespace shell {

namespace {
    Runtime* currentRuntime = nullptr;
}

void QtMessageBoxes::show(const QString& prompt, MsgStyle style, const QString& title)
{
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    switch (style) {
    case MsgStyle::Stop:
        icon = QMessageBox::Critical;
        break;
    case MsgStyle::Exclamation:
        icon = QMessageBox::Warning;
        break;
    case MsgStyle::Information:
        icon = QMessageBox::Information;
        break;
    }
    QMessageBox box(icon, title, prompt, QMessageBox::Ok);
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
}

Runtime::Runtime()
    : m_messageBoxes(std::make_unique<QtMessageBoxes>())
{
    Q_ASSERT(!currentRuntime);
    currentRuntime = this;
}

Runtime::~Runtime()
{
    m_registry.clear();
    for (const QPointer<QWidget>& window : m_unloadedWindows)
        delete window.data();
    currentRuntime = nullptr;
}

Runtime& Runtime::current()
{
    Q_ASSERT(currentRuntime);
    return *currentRuntime;
}

void Runtime::load(Form& form)
{
    if (form.isLoaded())
        return;
    if (m_ending)
        throw ProgramEnding {};
    form.createWindow();
    form.Form_Load();
}

void Runtime::present(QWidget* window)
{
    // A window is always shown freshly mapped, which already puts it in front.
    window->show();
    window->activateWindow();
}

void Runtime::show(Form& form)
{
    load(form);
    QWidget* window = form.window();
    if (!window)
        return; // Form_Load unloaded its own window again.
    if (form.m_modalLoop || window->isVisible())
        throw RuntimeError(error::AlreadyShown, window->windowTitle());

    window->setWindowModality(Qt::ApplicationModal);
    present(window);
    // Showing delivers events of its own, which may already have unloaded the window.
    if (form.window() != window) {
        if (m_ending)
            throw ProgramEnding {};
        return;
    }

    QEventLoop loop;
    form.m_modalLoop = &loop;
    m_modalLoops.push_back(&loop);
    loop.exec(QEventLoop::DialogExec);
    m_modalLoops.erase(std::find(m_modalLoops.begin(), m_modalLoops.end(), &loop));
    if (form.m_modalLoop == &loop)
        form.m_modalLoop = nullptr;

    // A Show that returns because the program is ending must not return into its caller.
    if (m_ending)
        throw ProgramEnding {};
}

void Runtime::showModeless(Form& form)
{
    load(form);
    if (QWidget* window = form.window()) {
        window->setWindowModality(Qt::NonModal);
        present(window);
    }
}

void Runtime::unload(Form& form)
{
    if (!form.isLoaded())
        return;
    QWidget* window = form.releaseWindow();
    // The window may be the one whose event procedure is running right now (a timer that unloads
    // its own window), so it is destroyed once control is back in the event loop.
    std::erase_if(m_unloadedWindows, [](const QPointer<QWidget>& gone) { return gone.isNull(); });
    m_unloadedWindows.emplace_back(window);
    window->deleteLater();
    if (QEventLoop* loop = std::exchange(form.m_modalLoop, nullptr))
        loop->exit();
    if (m_running && !anyLoaded())
        quit(0);
}

bool Runtime::anyLoaded() const
{
    return std::any_of(
        m_registry.begin(), m_registry.end(), [](const auto& slot) { return slot.second->isLoaded(); });
}

void Runtime::messageBox(const QString& prompt, MsgStyle style, const QString& title)
{
    if (m_ending)
        throw ProgramEnding {};
    m_messageBoxes->show(prompt, style, title);
    if (m_ending)
        throw ProgramEnding {};
}

void Runtime::setMessageBoxes(std::unique_ptr<MessageBoxes> boxes)
{
    m_messageBoxes = std::move(boxes);
}

void Runtime::end(int exitStatus)
{
    quit(exitStatus);
    throw ProgramEnding {};
}

void Runtime::quit(int exitStatus)
{
    if (m_ending)
        return;
    m_ending = true;
    m_exitStatus = exitStatus;

    // Every window disappears at once. The widgets themselves stay alive until the runtime goes,
    // because procedures further up the stack may still be unwinding through them.
    for (auto& [type, form] : m_registry) {
        if (form->isLoaded()) {
            form->stopTimers();
            form->window()->hide();
        }
    }
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* dialog = qobject_cast<QDialog*>(widget); dialog && dialog->isVisible())
            dialog->done(QDialog::Rejected);
    }
    for (QEventLoop* loop : m_modalLoops)
        loop->exit();
    if (m_running)
        QCoreApplication::exit(exitStatus);
}

int Runtime::run(Form& startForm)
{
    m_running = true;
    call([&] { showModeless(startForm); });
    const int status = m_ending ? m_exitStatus : QApplication::exec();
    m_running = false;
    return m_ending ? m_exitStatus : status;
}

void Runtime::call(const Procedure& procedure) noexcept
{
    if (m_ending)
        return;
    try {
        procedure();
    } catch (const ProgramEnding&) {
        // End was called: the procedure has been abandoned, which is all that is left to do.
    } catch (const RuntimeError& error) {
        fail(error);
    } catch (const std::exception& error) {
        fail(RuntimeError(error::Internal, QString::fromLocal8Bit(error.what())));
    } catch (...) {
        fail(RuntimeError(error::Internal));
    }
}

void Runtime::fail(const RuntimeError& error) noexcept
{
    try {
        qCritical("%s", error.what());
        if (!m_ending) {
            m_messageBoxes->show(QStringLiteral("Errore %1 in fase di esecuzione:\n\n%2")
                                     .arg(error.number())
                                     .arg(error.description()),
                MsgStyle::Stop, QStringLiteral("Errore di run-time"));
        }
    } catch (...) {
        // The report is best effort; the program ends either way.
    }
    quit(1);
}

void messageBox(const QString& prompt, MsgStyle style, const QString& title)
{
    Runtime::current().messageBox(prompt, style, title);
}

void End()
{
    Runtime::current().end(0);
}

}
