#include "shell.h"

#include "crashfiles.h"
#include "crashhandler.h"
#include "logfile.h"
#include "logfilenote.h"
#include "settingsnote.h"
#include "singleinstance.h"
#include "supportreport.h"
#include "supportreportlink.h"
#include "translations.h"
#include "userfolders.h"
#include "bridge/object.h"
#include "browser/bridgeguard.h"
#include "browser/browserwindow.h"
#include "browser/documenttrackingpage.h"
#include "browser/loadfailurepage.h"
#include "browser/pageprofile.h"
#include "browser/rendererrecovery.h"
#include "downloads/downloadmanager.h"
#include "settings/applicationsettings.h"
#include "settings/settingsinforce.h"
#include "settings/startupoptions.h"
#include "settings/windowmemory.h"

#include <QApplication>
#include <QDebug>
#include <QFileInfo>
#include <QMessageBox>
#include <QProcess>
#include <QSessionManager>
#include <QWebEngineProfile>
#include <QWebEngineView>

#ifdef Q_OS_UNIX
#include "terminationsignalquit.h"
#endif

namespace {
// How long the end of the run waits for a page still being printed.
constexpr int PrintingGraceMs = 30000;

void reportUnusableStore(const ApplicationSettings &settings)
{
    if (settings.status() == QSettings::FormatError)
        qDebug() << "Settings store unreadable, starting with the defaults:" << settings.fileName();
    else if (settings.status() == QSettings::AccessError)
        qDebug() << "Settings store cannot be written, changes will not be kept:" << settings.fileName();
}

void bringForward(QWidget &window)
{
    window.setWindowState((window.windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    window.show();
    window.raise();
    window.activateWindow();
    qDebug() << "Window brought forward for another start";
}

// What only the main window's page gets besides its renderer's recovery: the bridge for the
// documents the policy trusts, and a page that says why its page could not be loaded. All of it
// lives as the window's children. Returns the page shown when a page cannot be loaded.
LoadFailurePage *equipMainWindow(BrowserWindow &window, Object &bridge, const StartupOptions &options,
                                 const OriginPolicy &trustedPages)
{
    auto *page = static_cast<DocumentTrackingPage *>(window.page());
    auto *bridgeGuard = new BridgeGuard(page, &bridge, trustedPages, &window);
    QObject::connect(page, &DocumentTrackingPage::documentCreated, bridgeGuard, &BridgeGuard::startNewDocument);
    return new LoadFailurePage(page, options.startPage, options.startPageSource,
                               LoadFailurePage::DefaultRetrySeconds, &window);
}
} // namespace

int runShell(int argc, char *argv[])
{
    QApplication application(argc, argv);
    // Lets Wayland desktops match the window to mirel.desktop and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("mirel"));
    const Translations translations;

    // Before anything opens the instrument, writes the settings or the log, or loads a page: a
    // second start only hands over to the first.
    SingleInstance instance(instanceFolder(), SingleInstance::currentKey(), SingleInstance::currentSession());
    const SingleInstance::Role role = instance.claim();
    if (role == SingleInstance::Role::Second)
        return 0;
    if (role != SingleInstance::Role::First) {
        QMessageBox::warning(nullptr, QStringLiteral("Mirel"), SingleInstance::refusalText(role));
        return 1;
    }
    const LogFile logFile(localDataFolder() + QStringLiteral("/mirel.log"));
    // Crash files go beside the log, which made the folder.
    const QString logFolder = QFileInfo(logFile.path()).absolutePath();
    CrashHandler::install(logFolder);
    CrashFiles::announceLast(logFolder);
#ifdef Q_OS_UNIX
    TerminationSignalQuit terminationSignalQuit;
#endif
    // Opened this early for the profile's choice, and only once: a second instance opened before
    // the write below would take the toolkit's cached reading and hide an unparsable file.
    ApplicationSettings settings;
    std::unique_ptr<QWebEngineProfile> profile = createPageProfile(readRemembersBrowsingData(settings));
    // The engine has started: its own handlers, if any, are in force by now.
    CrashHandler::keepInForce();
    // Outlives the window: the window's channels are the bridge's only way to the page.
    Object bridge;

    settings.write(QStringLiteral("Hello"), QStringLiteral("Quenza3"));
    settings.sync();
    reportUnusableStore(settings);

    const StartupOptions options = readStartupOptions(settings, bridge.defaultStartPage());
    // The pages that get the bridge are also the only ones that may open and print downloads.
    const OriginPolicy trustedPages(options.startPage, options.trustedOrigins);
    if (!options.trustedOrigins.isEmpty())
        bridge.lockStartPage(trustedPages);

    const QList<SettingInForce> inForce = settingsInForce(settings, bridge.defaultStartPage());
    const bool keepsData = !profile->isOffTheRecord();
    const QString profileFolder = keepsData ? profile->persistentStoragePath() : QString();
    const QString cacheFolder = keepsData ? profile->cachePath() : QString();

    auto *page = new DocumentTrackingPage(profile.get()); // the window's own from the next line
    BrowserWindow window(std::move(profile), page, WindowRules{trustedPages, options.developerTools, options.externalSchemes});
    // A new start page after the renderer died.
    const auto *renderer = new RendererRecovery(page, options.startPage, &window);
    const SupportReportSources reportSources{inForce,     settings.fileName(), &bridge, profileFolder,
                                             cacheFolder, logFile.path(),      renderer};
    // The first page's renderer and the engine's threads are there once it has loaded.
    QObject::connect(page, &QWebEnginePage::loadFinished, &window, &CrashHandler::keepInForce,
                     Qt::SingleShotConnection);
    QObject::connect(&window, &BrowserWindow::zoomChanged, &window, &WindowMemory::keepZoom);
    showLogFileOnBundledPages(page, logFile.path());
    showSettingsOnBundledPages(page, inForce);
    QObject::connect(&window, &BrowserWindow::supportReportRequested, &window,
                     [&reportSources](QWidget *asking) { saveSupportReport(asking, reportSources); });
    QObject::connect(new SupportReportLink(page), &SupportReportLink::requested, &window,
                     [&window, &reportSources] { saveSupportReport(&window, reportSources); });
    QObject::connect(&instance, &SingleInstance::activationRequested, &window, [&window] { bringForward(window); });
    // The certificate page's restart, once the window has closed; any later page loaded in the
    // meantime (the person stayed, then went on) takes the wish back.
    bool restart = false;
    QObject::connect(equipMainWindow(window, bridge, options, trustedPages), &LoadFailurePage::restartRequested,
                     &window, [&window, &restart] {
                         restart = true;
                         window.close();
                     });
    QObject::connect(page, &QWebEnginePage::loadStarted, &window, [&restart] { restart = false; });
    DownloadManager downloads(window.view(), trustedPages);
    window.showDownloads(&downloads);
    applyStartupOptions(options, *window.view());

    // A session that ends without room for questions closes without them.
    QObject::connect(&application, &QGuiApplication::commitDataRequest, &window, [&window](QSessionManager &manager) {
        if (!manager.allowsInteraction())
            window.closeWithoutQuestions();
    });
    QObject::connect(&application, &QCoreApplication::aboutToQuit, &window,
                     [&window] { WindowMemory::keepGeometry(window); });

    window.show();
    const int status = application.exec();
    // A start from now on waits for this one to end instead of asking it for its window.
    instance.stopListening();
    // Gone at once, even while the bridge gives a running library call time to return.
    window.hide();
    window.finishPrinting(PrintingGraceMs);
    if (restart)
        QProcess::startDetached(QCoreApplication::applicationFilePath(), QCoreApplication::arguments().mid(1));
    return status;
}
