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

int runShell(int argc, char *argv[])
{
    QApplication application(argc, argv);
    // Lets Wayland desktops match the window to mirel.desktop and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("mirel"));
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

    applyStartupOptions(readStartupOptions(settings, bridge.defaultStartPage()), window);

    window.show();
    return application.exec();
}
