#include "harmlessstart.h"

#include "confinement.h"

#include <QByteArray>
#include <QLoggingCategory>
#include <QString>

#include <sys/stat.h>
#include <unistd.h>

namespace qtbackend {

Q_LOGGING_CATEGORY(lcConfinement, "scherzetto.confinement", QtCriticalMsg)

namespace {

    // Qt wants a runtime folder: XDG_RUNTIME_DIR where that names a folder of the user's own that
    // only the user may enter. Where it does not, Qt creates the folder named there, or else
    // falls back on "$TMPDIR/runtime-<user>" and creates that, as soon as anything asks for the
    // runtime location, which QGuiApplication's start always does. The program needs no runtime
    // folder, so Qt is then given none and a temporary folder in which nothing can be created,
    // and the two warnings that Qt prints about it are dropped.
    constexpr char noTemporaryFolder[] = "/dev/null";

    bool usableRuntimeFolder(const QByteArray& path)
    {
        struct stat status = {};
        return path.startsWith('/') && lstat(path.constData(), &status) == 0 && S_ISDIR(status.st_mode)
            && status.st_uid == geteuid() && (status.st_mode & 0777) == 0700;
    }

    QtMessageHandler nextMessageHandler = nullptr;

    void dropRuntimeFolderWarnings(QtMsgType type, const QMessageLogContext& context, const QString& text)
    {
        if (text.startsWith(QLatin1String("QStandardPaths: "))
            && text.contains(QLatin1String("'") + QLatin1String(noTemporaryFolder) + QLatin1String("/")))
            return;
        nextMessageHandler(type, context, text);
    }

    // In a D-Bus address, a path may hold letters, digits and "-_/.*" as they are; anything else is
    // written as %XX.
    QByteArray dbusEscaped(const QByteArray& path)
    {
        return path.toPercentEncoding("/.-_*", "~");
    }

    // Without a session bus address, libdbus looks for the user's bus in the runtime folder and
    // otherwise "autolaunches" one: it forks and runs dbus-launch, whose session bus daemon then
    // outlives the program. The program takes the user's bus where there is one, as libdbus
    // would, and otherwise names an address that fails at once ("disabled:" is no transport that
    // libdbus knows), so that accessibility stays off.
    void chooseSessionBus()
    {
        const QByteArray address = qgetenv("DBUS_SESSION_BUS_ADDRESS");
        // Addresses of these two kinds start a program to reach their bus.
        if (!address.isEmpty() && !address.contains("autolaunch:") && !address.contains("unixexec:"))
            return;
        const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
        const QByteArray userBus = runtime + "/bus";
        struct stat status = {};
        if (runtime.startsWith('/') && lstat(userBus.constData(), &status) == 0 && S_ISSOCK(status.st_mode)
            && status.st_uid == getuid())
            qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + dbusEscaped(userBus));
        else
            qputenv("DBUS_SESSION_BUS_ADDRESS", "disabled:");
    }

    void leaveNoTrace()
    {
        chooseSessionBus();
        if (!usableRuntimeFolder(qgetenv("XDG_RUNTIME_DIR"))) {
            qunsetenv("XDG_RUNTIME_DIR");
            qputenv("TMPDIR", noTemporaryFolder);
            nextMessageHandler = qInstallMessageHandler(dropRuntimeFolderWarnings);
        }
    }

}

std::unique_ptr<QApplication> startHarmless(const std::function<std::unique_ptr<QApplication>()>& start)
{
    leaveNoTrace();
    std::unique_ptr<QApplication> app = start();
    const confinement::Outcome outcome = confinement::confineSelf();
    qCInfo(lcConfinement, "%s", confinement::describe(outcome).c_str());
    return app;
}

}
