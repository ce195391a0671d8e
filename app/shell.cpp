#include "shell.h"

#include "settings/applicationsettings.h"
#include "browser/bridgeguard.h"
#include "browser/documenttrackingpage.h"
#include "logfile.h"
#include "logfilenote.h"
#include "browser/pageprofile.h"
#include "browser/rendererrecovery.h"
#include "singleinstance.h"
#include "settings/startupoptions.h"
#include "translations.h"
#include "userfolders.h"
#include "settings/windowmemory.h"
#include "bridge/object.h"
#include "browser/loadfailurepage.h"
#include "browser/pagepermissions.h"
#include "browser/pageprinter.h"
#include "browser/popupwindows.h"
#include "browser/signinprompt.h"
#include "browser/viewkeys.h"
#include "downloads/downloadmanager.h"

#include <QApplication>
#include <QDebug>
#include <QMessageBox>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineView>

#ifdef Q_OS_UNIX
#include "terminationsignalquit.h"
#endif

namespace {
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
} // namespace

int runShell(int argc, char *argv[])
{
    QApplication application(argc, argv);
    // Lets Wayland desktops match the window to mirel.desktop and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("mirel"));
    const Translations translations;
    const LogFile logFile(localDataFolder() + QStringLiteral("/mirel.log"));

    // Before anything opens the instrument, writes the settings or loads a page: a second start
    // only hands over to the first.
    SingleInstance instance(instanceFolder(), SingleInstance::currentKey(), SingleInstance::currentSession());
    const SingleInstance::Role role = instance.claim();
    if (role == SingleInstance::Role::Second)
        return 0;
    if (role != SingleInstance::Role::First) {
        QMessageBox::warning(nullptr, QStringLiteral("Mirel"), SingleInstance::refusalText(role));
        return 1;
    }
#ifdef Q_OS_UNIX
    TerminationSignalQuit terminationSignalQuit;
#endif
    // Opened this early for the profile's choice, and only once: a second instance opened before
    // the write below would take the toolkit's cached reading and hide an unparsable file.
    ApplicationSettings settings;
    // Made before the window, so that it outlives every page: the engine wants a profile's
    // pages gone before the profile.
    const std::unique_ptr<QWebEngineProfile> profile = createPageProfile(readRemembersBrowsingData(settings));
    // Outlives the windows, whose pages may still be printing onto its printer when they go.
    PagePrinter printer;
    QWebEngineView window;
    auto *page = new DocumentTrackingPage(profile.get(), &window);
    window.setPage(page);
    new SignInPrompt(page); // owned by the page
    auto *keys = new ViewKeys(&window);
    QObject::connect(keys, &ViewKeys::zoomChanged, &window, &WindowMemory::keepZoom);
    showLogFileOnBundledPages(page, logFile.path());
    QObject::connect(&instance, &SingleInstance::activationRequested, &window, [&window] { bringForward(window); });
    Object bridge;

    settings.write(QStringLiteral("Hello"), QStringLiteral("Quenza3"));
    settings.sync();
    reportUnusableStore(settings);

    const StartupOptions options = readStartupOptions(settings, bridge.defaultStartPage());
    // The pages that get the bridge are also the only ones that may open and print downloads.
    const OriginPolicy trustedPages(options.startPage, options.trustedOrigins);
    DownloadManager downloads(&window, trustedPages);
    if (!options.trustedOrigins.isEmpty())
        bridge.lockStartPage(trustedPages);

    BridgeGuard bridgeGuard(window.page(), &bridge, trustedPages);
    QObject::connect(page, &DocumentTrackingPage::documentCreated, &bridgeGuard, &BridgeGuard::startNewDocument);
    RendererRecovery rendererRecovery(window.page(), options.startPage);
    LoadFailurePage loadFailurePage(window.page(), options.startPage, options.startPageSource);
    // Every window, the main one and those its pages open, prints and asks for permissions
    // the same way; only the main window's page ever gets the bridge.
    PagePermissions permissions(&window, trustedPages);
    printer.watch(&window);
    PopupWindows popups(&window);
    QObject::connect(&popups, &PopupWindows::windowOpened, &printer,
                     [&printer, trustedPages](QWebEngineView *popup) {
                         new SignInPrompt(popup->page()); // owned by the page
                         new ViewKeys(popup);              // dies with its window
                         new PagePermissions(popup, trustedPages, popup); // dies with its window
                         printer.watch(popup);
                     });
    applyStartupOptions(options, window);
    QObject::connect(&application, &QCoreApplication::aboutToQuit, &window,
                     [&window] { WindowMemory::keepGeometry(window); });

    window.show();
    const int status = application.exec();
    instance.stopListening();
    // Gone at once, even while the bridge gives a running library call time to return.
    window.hide();
    return status;
}
