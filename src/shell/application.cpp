#include "application.h"

#include "pixelart.h"

#include "backends/qt/harmlessstart.h"

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

int runApplication(
    int& argc, char** argv, const ApplicationInfo& info, const std::function<Form&(Runtime&)>& startForm)
{
    programName = info.name;
    // Qt starts so that it leaves no trace on the system, and the program then confines itself.
    const std::unique_ptr<QApplication> app = qtbackend::startHarmless([&] { return startGui(argc, argv); });
    QApplication::setApplicationName(QString::fromUtf8(info.name));
    QApplication::setApplicationVersion(QString::fromUtf8(info.version));
    QApplication::setDesktopFileName(QString::fromUtf8(info.desktopId));
    QApplication::setWindowIcon(pixelArtIcon(QString::fromUtf8(info.iconArt)));
    // The runtime alone decides when the program ends: at End, or once no window is loaded. Qt
    // must not also quit when the last visible window goes, for instance a message box that
    // closes while End hides the forms, which would replace the exit status.
    QApplication::setQuitOnLastWindowClosed(false);

    // The whole interface is Italian, so Qt's own texts (the context menu of a text box, the
    // buttons of a message box) are too, whatever the desktop's language.
    QTranslator qtTranslations;
    if (qtTranslations.load(QStringLiteral("qtbase_it"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTranslations);

    Runtime runtime;
    return runtime.run(startForm(runtime));
}

}
