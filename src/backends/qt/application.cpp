#include "harmlessstart.h"
#include "backend.h"
#include "shell/application.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace shell {

namespace {

    struct PendingMessage
    {
        QtMsgType type;
        QString category;
        QString text;
    };

    const char* programName = "";
    std::vector<PendingMessage>* pendingMessages = nullptr;

    bool seen(const char* category, const char* text)
    {
        return pendingMessages
            && std::any_of(pendingMessages->begin(), pendingMessages->end(), [&](const auto& m) {
                   return m.category == QLatin1String(category) && m.text.contains(QLatin1String(text));
               });
    }

    // While the GUI starts, a platform plugin that cannot open a display, or that is not
    // installed at all, first warns and then aborts with a fatal message. The user is told which
    // of the two it is in one line instead, and the program exits with status 1 rather than
    // aborting and leaving a core dump. Other messages are held back and passed on once the start
    // has succeeded.
    void startupMessageHandler(QtMsgType type, const QMessageLogContext& context, const QString& text)
    {
        if (type != QtFatalMsg) {
            if (pendingMessages)
                pendingMessages->push_back({ type, QString::fromUtf8(context.category), text });
            return;
        }
        const char* display = std::getenv("DISPLAY");
        const bool displayFailed = seen("qt.qpa.xcb", "could not connect to display");
        if (!displayFailed && seen("qt.qpa.plugin", "Could not find the Qt platform plugin")) {
            std::fprintf(stderr,
                "%s: impossibile avviare l'interfaccia grafica: manca il plugin della piattaforma Qt "
                "(pacchetto qt6-qpa-plugins).\n",
                programName);
        } else {
            std::fprintf(stderr, "%s: nessuno schermo disponibile: impossibile aprire il display \"%s\".\n",
                programName, display && *display ? display : "(non impostato)");
        }
        std::fflush(stderr);
        std::_Exit(1);
    }

    // On a native Wayland session windows cannot choose where they open, and every window here has
    // its place. When the session also offers XWayland, the program runs there, unless the user has
    // chosen a Qt platform. With native Wayland alone it still plays to its end.
    void preferXWayland()
    {
        if (qEnvironmentVariableIsSet("QT_QPA_PLATFORM") || qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
            || qEnvironmentVariableIsEmpty("DISPLAY"))
            return;
        qputenv("QT_QPA_PLATFORM", "xcb");
    }

    std::unique_ptr<QApplication> startGui(int& argc, char** argv)
    {
        std::vector<PendingMessage> messages;
        pendingMessages = &messages;
        const QtMessageHandler previous = qInstallMessageHandler(startupMessageHandler);
        auto app = std::make_unique<QApplication>(argc, argv);
        qInstallMessageHandler(previous);
        pendingMessages = nullptr;
        for (const PendingMessage& message : messages) {
            const QByteArray category = message.category.toUtf8();
            QMessageLogContext context(nullptr, 0, nullptr, category.constData());
            qt_message_output(message.type, context, message.text);
        }
        return app;
    }

}

int runApplication(const ApplicationInfo& info, StartForm startForm)
{
    programName = info.name;
    // The program takes no command line: Qt's own options (-geometry, -reverse, -style...) would
    // move or mirror its windows, so Qt sees the program's name alone.
    static char name[64];
    std::snprintf(name, sizeof name, "%s", info.name);
    static char* arguments[] = { name, nullptr };
    static int argumentCount = 1;
    preferXWayland();
    // Qt starts so that it leaves no trace on the system, and the program then confines itself.
    const std::unique_ptr<QApplication> app
        = qtbackend::startHarmless([&] { return startGui(argumentCount, arguments); });
    QApplication::setApplicationName(QString::fromUtf8(info.name));
    QApplication::setApplicationVersion(QString::fromUtf8(info.version));
    QApplication::setDesktopFileName(QString::fromUtf8(info.desktopId));
    // The runtime alone decides when the program ends: at End, or once no window is loaded. Qt
    // must not also quit when the last visible window goes, for instance a message box that
    // closes while End hides the forms, which would replace the exit status.
    QApplication::setQuitOnLastWindowClosed(false);

    // The whole interface is Italian, so Qt's own texts (the context menu of a text box, the
    // buttons of a message box) are too, whatever the desktop's language.
    QTranslator qtTranslations;
    if (qtTranslations.load(QStringLiteral("qtbase_it"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTranslations);

    qtbackend::QtBackend backend;
    Runtime runtime(backend);
    return runtime.run(startForm(runtime));
}

}
