#include "shell.h"

#include "applicationsettings.h"
#include "startupoptions.h"
#include "bridge/object.h"
#include "downloads/downloadmanager.h"

#include <QApplication>
#include <QWebChannel>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineView>

#ifdef Q_OS_UNIX
#include "terminationsignalquit.h"
#endif

namespace {
void enableHighDpiScaling()
{
    // Without effect in Qt 6, where scaling is always on; kept so the setting still means what it did.
    QT_WARNING_PUSH
    QT_WARNING_DISABLE_DEPRECATED
    QCoreApplication::setAttribute(Qt::AA_EnableHighDpiScaling, true);
    QT_WARNING_POP
}
} // namespace

int runShell(int argc, char *argv[])
{
    QApplication application(argc, argv);
#ifdef Q_OS_UNIX
    TerminationSignalQuit terminationSignalQuit;
#endif
    QWebEngineView window;
    Object bridge;

    auto *channel = new QWebChannel(&window);
    channel->registerObject(QStringLiteral("eyeOneConnector"), &bridge);
    window.page()->setWebChannel(channel, QWebEngineScript::MainWorld);

    ApplicationSettings settings;
    settings.write(QStringLiteral("Hello"), QStringLiteral("Quenza3"));

    DownloadManager downloads(&window);

    const StartupOptions options = readStartupOptions(settings, bridge.defaultStartPage());
    if (options.enableHighDpi)
        enableHighDpiScaling();
    window.setUrl(options.startPage);
    if (options.showMaximized)
        window.showMaximized();
    if (options.hideContextMenu)
        window.setContextMenuPolicy(Qt::NoContextMenu);

    window.show();
    return application.exec();
}
