#include "support/isolatedenvironment.h"
#include "downloadprobes.h"
#include "support/testhttpserver.h"

#include "downloads/downloadline.h"
#include "downloads/downloadmanager.h"
#include "downloads/downloadstrip.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDirIterator>
#include <QLabel>
#include <QLibraryInfo>
#include <QPointer>
#include <QPushButton>
#include <QScopeGuard>
#include <QSettings>
#include <QTemporaryDir>
#include <QVersionNumber>
#include <QWebEngineDownloadRequest>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineView>
#include <QtTest>

#include <memory>

using State = QWebEngineDownloadRequest::DownloadState;

namespace {
struct Observed
{
    QPointer<QWebEngineDownloadRequest> request;
    int handedOverAtCompletion = -1;
};

QStringList temporaryDownloads()
{
    return QDir::temp().entryList({ QStringLiteral("{*") }, QDir::Files | QDir::Hidden);
}

// What the strip's newest line says, and the buttons it shows.
DownloadLine *lastLine(const DownloadStrip &strip)
{
    const QList<DownloadLine *> lines = strip.findChildren<DownloadLine *>();
    return lines.isEmpty() ? nullptr : lines.last();
}

QString lineText(const DownloadStrip &strip)
{
    DownloadLine *line = lastLine(strip);
    return line ? line->findChild<QLabel *>()->text() : QString();
}

bool clickLineButton(const DownloadStrip &strip, const QString &text)
{
    DownloadLine *line = lastLine(strip);
    for (QPushButton *button : line ? line->findChildren<QPushButton *>() : QList<QPushButton *>()) {
        if (button->text() == text && !button->isHidden()) {
            button->click();
            return true;
        }
    }
    return false;
}

QStringList lineButtons(const DownloadStrip &strip)
{
    QStringList shown;
    if (DownloadLine *line = lastLine(strip)) {
        for (const QPushButton *button : line->findChildren<QPushButton *>())
            if (!button->isHidden())
                shown << button->text();
    }
    return shown;
}
} // namespace

// DownloadManager inside this process against a local server: the save dialog, the temporary
// copy handed to the viewer, and the downloads that must end without one.
class TestDownloadManager final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void saveAsksWhereAndRemembersFolder_data();
    void saveAsksWhereAndRemembersFolder();
    void brokenSaveEndsCleanly();
    void cancelledSaveLeavesNothing();
    void otherModesAreCancelled_data();
    void otherModesAreCancelled();
    void refusedHandOverIsSaved_data();
    void refusedHandOverIsSaved();
    void openHandsOverOnceWhenComplete_data();
    void openHandsOverOnceWhenComplete();
    void unfinishedDownloadLeavesNothing_data();
    void unfinishedDownloadLeavesNothing();
    void unwritableTemporaryFolderCancels_data();
    void unwritableTemporaryFolderCancels();

private:
    Observed *startDownload(const QString &pathAndQuery);
    bool showPage(const QUrl &url);
    QString storedSaveFolder() const;

    TestHttpServer m_server;
    QTemporaryDir m_saveRoot;
    std::unique_ptr<QWebEngineView> m_view;
    std::unique_ptr<DownloadManager> m_manager;
    std::unique_ptr<DownloadStrip> m_strip;
    std::vector<std::unique_ptr<Observed>> m_observed;
    Viewer m_viewer;
    PollTicks m_pollTicks;
};

void TestDownloadManager::initTestCase()
{
    // The widget dialog is the one a test can drive on any desktop.
    QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    QVERIFY(m_server.listen());
    QVERIFY(m_saveRoot.isValid());
    QDir(m_saveRoot.path()).mkpath(QStringLiteral("first"));
    QDir(m_saveRoot.path()).mkpath(QStringLiteral("second"));
    const QByteArray report(64 * 1024, 'r');
    m_server.serve(QStringLiteral("/report"), { report, "application/pdf", QStringLiteral("report.pdf") });
    m_server.serve(QStringLiteral("/scan"), { "a;b\n1;2\n", "text/csv", QStringLiteral("scan.csv") });
    m_server.serve(QStringLiteral("/slow"), { QByteArray(256 * 1024, 's'), "application/pdf",
                                              QStringLiteral("relevé lent.pdf"), TestHttpServer::Delivery::Slow });
    m_server.serve(QStringLiteral("/cut"), { QByteArray(256 * 1024, 'c'), "application/pdf",
                                             QStringLiteral("cut.pdf"), TestHttpServer::Delivery::CutOff });
    m_server.serve(QStringLiteral("/setup"), { "MZ", "application/octet-stream", QStringLiteral("SETUP.EXE") });
    m_server.serve(QStringLiteral("/page"), { "<!doctype html><p>start</p>", "text/html", QString() });

    m_view = std::make_unique<QWebEngineView>();
    // The downloads start from a page of the server's origin, which the policy trusts.
    m_manager = std::make_unique<DownloadManager>(m_view.get(), OriginPolicy(m_server.url(QStringLiteral("/page")), QString()));
    m_strip = std::make_unique<DownloadStrip>(m_manager.get(), m_view.get(), nullptr);
    QVERIFY(showPage(m_server.url(QStringLiteral("/page"))));
    // Connected after the manager, so this sees each download once the manager has decided.
    connect(m_view->page()->profile(), &QWebEngineProfile::downloadRequested, this,
            [this](QWebEngineDownloadRequest *download) {
                auto observed = std::make_unique<Observed>();
                observed->request = download;
                Observed *entry = observed.get();
                connect(download, &QWebEngineDownloadRequest::stateChanged, this, [this, entry](State state) {
                    if (state == QWebEngineDownloadRequest::DownloadCompleted)
                        entry->handedOverAtCompletion = m_viewer.paths().size();
                });
                m_observed.push_back(std::move(observed));
            });
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &m_viewer, "open");
    qApp->installEventFilter(&m_pollTicks);
}

void TestDownloadManager::cleanupTestCase()
{
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    qApp->removeEventFilter(&m_pollTicks);
    m_strip.reset();
    m_manager.reset();
    m_view.reset();
}

void TestDownloadManager::init()
{
    m_viewer.clear();
}

Observed *TestDownloadManager::startDownload(const QString &pathAndQuery)
{
    const size_t before = m_observed.size();
    m_view->page()->download(m_server.url(pathAndQuery));
    if (!QTest::qWaitFor([&] { return m_observed.size() > before; }, 10000))
        return nullptr;
    return m_observed.back().get();
}

bool TestDownloadManager::showPage(const QUrl &url)
{
    QSignalSpy loaded(m_view.get(), &QWebEngineView::loadFinished);
    m_view->setUrl(url);
    return loaded.wait(10000) && m_view->url() == url;
}

QString TestDownloadManager::storedSaveFolder() const
{
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("MyCompany"),
                     QStringLiteral("MyApp"))
            .value(QStringLiteral("lastSaveFolder"))
            .toString();
}

void TestDownloadManager::saveAsksWhereAndRemembersFolder_data()
{
    QTest::addColumn<QString>("resource");
    QTest::addColumn<QString>("suggested");
    QTest::addColumn<QString>("proposedFolder");
    QTest::addColumn<QString>("chosenFolder"); // empty: the user refuses
    QTest::addColumn<QString>("storedFolder");

    // In order: each row starts from the folder the rows before it left behind.
    QTest::newRow("first proposes home, refused") << "/report" << "report.pdf" << "home" << "" << "";
    QTest::newRow("saved where chosen") << "/report?mode=save" << "report.pdf" << "home" << "first" << "first";
    QTest::newRow("next proposes that folder, refused") << "/scan?mode=" << "scan.csv" << "first" << "" << "first";
    QTest::newRow("saved elsewhere") << "/scan" << "scan.csv" << "first" << "second" << "second";
}

void TestDownloadManager::saveAsksWhereAndRemembersFolder()
{
    QFETCH(QString, resource);
    QFETCH(QString, suggested);
    QFETCH(QString, proposedFolder);
    QFETCH(QString, chosenFolder);
    QFETCH(QString, storedFolder);
    const auto folder = [this](const QString &key) {
        if (key.isEmpty())
            return QString();
        return key == QLatin1String("home") ? QDir::homePath() : m_saveRoot.filePath(key);
    };
    // The user renames the file, so the chosen name has to win over the suggested one.
    const QString chosenPath =
            chosenFolder.isEmpty() ? QString() : folder(chosenFolder) + QStringLiteral("/kept-") + suggested;

    // An absent or empty mode is logged as the "save" it becomes; the address without its query.
    QTest::ignoreMessage(QtDebugMsg, qPrintable(QStringLiteral("Download requested: QUrl(\"%1\") Mode: \"save\"")
                                                        .arg(m_server.url(resource).adjusted(QUrl::RemoveQuery).toString())));
    const FileDialogAnswer answer(chosenPath);
    const QString lineBefore = lineText(*m_strip);
    Observed *observed = startDownload(resource);
    QVERIFY(observed);
    QCOMPARE(answer.shown(), 1);
    QCOMPARE(answer.title(), QStringLiteral("Enregistrer le fichier"));
    QCOMPARE(answer.proposed(), folder(proposedFolder) + QLatin1Char('/') + suggested);

    if (chosenPath.isEmpty()) {
        QTRY_COMPARE(observed->request->state(), QWebEngineDownloadRequest::DownloadCancelled);
        QDirIterator written(m_saveRoot.path(), { QLatin1Char('*') + suggested }, QDir::Files,
                             QDirIterator::Subdirectories);
        QVERIFY(!written.hasNext());
        QCOMPARE(temporaryDownloads(), QStringList());
        QCOMPARE(lineText(*m_strip), lineBefore); // a refused save is not shown
    } else {
        QTRY_COMPARE(observed->request->state(), QWebEngineDownloadRequest::DownloadCompleted);
        QTRY_COMPARE(lineText(*m_strip), QStringLiteral("kept-%1 — saved (%2)")
                                                 .arg(suggested, QLocale().formattedDataSize(observed->request->totalBytes())));
        QCOMPARE(lineButtons(*m_strip), (QStringList{ "Open", "Show in folder" }));
        QFile saved(chosenPath);
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QCOMPARE(saved.size(), observed->request->totalBytes());
        QVERIFY(saved.size() > 0);
    }
    QCOMPARE(storedSaveFolder(), folder(storedFolder));
    QCOMPARE(m_viewer.paths().size(), 0);
}

void TestDownloadManager::brokenSaveEndsCleanly()
{
    // Up to Qt 6.8 the engine restarts a cut-off download a few times before it gives up, each
    // time as a new request; from Qt 6.11 it ends the first one.
    const bool engineRestarts = QLibraryInfo::version() < QVersionNumber(6, 11);
    QDir folder(m_saveRoot.filePath(QStringLiteral("broken")));
    QVERIFY(folder.mkpath(QStringLiteral(".")));
    // A file whose name starts like the chosen one is the user's: it must stay.
    QFile neighbour(folder.filePath(QStringLiteral("broken.pdf.txt")));
    QVERIFY(neighbour.open(QIODevice::WriteOnly));
    QCOMPARE(neighbour.write("kept"), 4);
    neighbour.close();
    const QString chosenPath = folder.filePath(QStringLiteral("broken.pdf"));
    QTest::ignoreMessage(QtDebugMsg,
                         QRegularExpression(QStringLiteral("^Download not saved: \".*\" \"%1\"$")
                                                    .arg(QRegularExpression::escape(chosenPath))));
    const FileDialogAnswer answer(chosenPath);
    const size_t before = m_observed.size();
    const int linesBefore = m_strip->findChildren<DownloadLine *>().size();
    QVERIFY(startDownload(QStringLiteral("/cut")));

    QTRY_COMPARE_WITH_TIMEOUT(m_observed.back()->request->state(),
                              QWebEngineDownloadRequest::DownloadCancelled, 10000);
    // The user is asked only the first time, and every restart goes into the chosen file.
    QCOMPARE(answer.shown(), 1);
    if (engineRestarts)
        QVERIFY(m_observed.size() - before > 1);
    else
        QCOMPARE(m_observed.size() - before, size_t(1));
    for (size_t i = before; i < m_observed.size(); ++i) {
        const QWebEngineDownloadRequest *request = m_observed.at(i)->request;
        QCOMPARE(QDir(request->downloadDirectory()).filePath(request->downloadFileName()), chosenPath);
    }
    // The engine deletes the part it wrote once cancelled; nothing else goes.
    QTRY_COMPARE(folder.entryList(QDir::Files | QDir::Hidden), QStringList{ neighbour.fileName().section('/', -1) });
    QVERIFY(neighbour.open(QIODevice::ReadOnly));
    QCOMPARE(neighbour.readAll(), QByteArray("kept"));

    // One line, through every restart, saying why in the engine's words.
    QCOMPARE(m_strip->findChildren<DownloadLine *>().size(), linesBefore + 1);
    QTRY_COMPARE(lineText(*m_strip), "broken.pdf — failed: " + m_observed.back()->request->interruptReasonString());
    QVERIFY(!m_observed.back()->request->interruptReasonString().isEmpty());
    QCOMPARE(lineButtons(*m_strip), QStringList{ "Retry" });
    // Retry asks for the same address again, through the save dialog, and breaks the same way.
    QTest::ignoreMessage(QtDebugMsg, QRegularExpression(QStringLiteral("^Download not saved: ")));
    const size_t beforeRetry = m_observed.size();
    QVERIFY(clickLineButton(*m_strip, "Retry"));
    QTRY_COMPARE(answer.shown(), 2);
    QCOMPARE(answer.proposed(), folder.filePath(QStringLiteral("cut.pdf")));
    QTRY_VERIFY(m_observed.size() > beforeRetry);
    QCOMPARE(m_observed.back()->request->url(), m_server.url(QStringLiteral("/cut")));
    QTRY_COMPARE_WITH_TIMEOUT(m_observed.back()->request->state(), QWebEngineDownloadRequest::DownloadCancelled, 10000);
    QTRY_VERIFY(lineText(*m_strip).startsWith("broken.pdf — failed: "));
    QCOMPARE(m_strip->findChildren<DownloadLine *>().size(), linesBefore + 1); // the retried line went
}

void TestDownloadManager::cancelledSaveLeavesNothing()
{
    const QString chosenPath = m_saveRoot.filePath(QStringLiteral("cancelled.pdf"));
    const FileDialogAnswer answer(chosenPath);
    Observed *observed = startDownload(QStringLiteral("/slow"));
    QVERIFY(observed);
    QTRY_VERIFY(observed->request->receivedBytes() > 0);
    // Progress in bytes and percent of the announced size, while it arrives.
    static const QRegularExpression progress(QStringLiteral("^cancelled\\.pdf — .+ of 256.00 KiB \\(\\d+ %\\)$"));
    QVERIFY2(progress.match(lineText(*m_strip)).hasMatch(), qPrintable(lineText(*m_strip)));
    QCOMPARE(lineButtons(*m_strip), QStringList{ "Cancel" });

    QVERIFY(clickLineButton(*m_strip, "Cancel"));
    QTRY_COMPARE(observed->request->state(), QWebEngineDownloadRequest::DownloadCancelled);
    QCOMPARE(lineText(*m_strip), QStringLiteral("cancelled.pdf — cancelled"));
    QCOMPARE(lineButtons(*m_strip), QStringList());
    QTRY_COMPARE(QDir(m_saveRoot.path()).entryList({ QStringLiteral("cancelled*") }, QDir::Files | QDir::Hidden),
                 QStringList());
}

void TestDownloadManager::otherModesAreCancelled_data()
{
    QTest::addColumn<QString>("query");
    QTest::addColumn<QString>("mode");

    QTest::newRow("capitalised") << "?mode=Print" << "Print";
    QTest::newRow("unknown") << "?mode=bogus" << "bogus";
    QTest::newRow("trailing space") << "?mode=open%20" << "open ";
    QTest::newRow("upper case save") << "?mode=SAVE" << "SAVE";
}

void TestDownloadManager::otherModesAreCancelled()
{
    QFETCH(QString, query);
    QFETCH(QString, mode);
    const QUrl url = m_server.url(QStringLiteral("/report") + query);
    QTest::ignoreMessage(QtDebugMsg,
                         qPrintable(QStringLiteral("Download requested: QUrl(\"%1\") Mode: \"%2\"")
                                            .arg(url.adjusted(QUrl::RemoveQuery).toString(), mode)));
    const FileDialogAnswer answer{ QString() };
    Observed *observed = startDownload(QStringLiteral("/report") + query);
    QVERIFY(observed);
    QTRY_COMPARE(observed->request->state(), QWebEngineDownloadRequest::DownloadCancelled);
    QCOMPARE(answer.shown(), 0);
    QTest::qWait(300);
    QCOMPARE(m_viewer.paths().size(), 0);
    QCOMPARE(temporaryDownloads(), QStringList());
}

void TestDownloadManager::refusedHandOverIsSaved_data()
{
    QTest::addColumn<QString>("page");
    QTest::addColumn<QString>("resource");
    QTest::addColumn<QString>("chosenName"); // empty: the user refuses
    QTest::addColumn<QString>("logLine");

    QTest::newRow("untrusted page opens, refused") << "data:text/html,foreign" << "/report?mode=open" << ""
                                                   << "Download saved instead of opened: \"report.pdf\" (untrusted page)";
    QTest::newRow("program printed, saved") << "" << "/setup?mode=print" << "setup.exe"
                                            << "Download saved instead of printed: \"SETUP.EXE\" (runs as a program)";
}

void TestDownloadManager::refusedHandOverIsSaved()
{
    QFETCH(QString, page);
    QFETCH(QString, resource);
    QFETCH(QString, chosenName);
    QFETCH(QString, logLine);
    const QUrl trustedPage = m_server.url(QStringLiteral("/page"));
    const auto restore = qScopeGuard([&] { showPage(trustedPage); });
    if (!page.isEmpty())
        QVERIFY(showPage(QUrl(page)));
    QTest::ignoreMessage(QtDebugMsg, QRegularExpression(QStringLiteral("^Download requested:")));
    QTest::ignoreMessage(QtDebugMsg, qPrintable(logLine));
    const QString chosenPath = chosenName.isEmpty() ? QString() : m_saveRoot.filePath(chosenName);

    const FileDialogAnswer answer(chosenPath);
    Observed *observed = startDownload(resource);
    QVERIFY(observed);
    QTRY_VERIFY(observed->request->isFinished());
    QCOMPARE(answer.shown(), 1);
    if (chosenPath.isEmpty())
        QCOMPARE(observed->request->state(), QWebEngineDownloadRequest::DownloadCancelled);
    else
        QVERIFY(QFileInfo(chosenPath).size() > 0);
    QTest::qWait(300);
    QCOMPARE(m_viewer.paths().size(), 0);
    QCOMPARE(temporaryDownloads(), QStringList());
}

void TestDownloadManager::openHandsOverOnceWhenComplete_data()
{
    QTest::addColumn<QString>("resource");
    QTest::addColumn<QString>("safeName");

    QTest::newRow("at once") << "/report" << "report.pdf";
    QTest::newRow("slowly") << "/slow" << QString::fromUtf8("relevé lent.pdf");
}

void TestDownloadManager::openHandsOverOnceWhenComplete()
{
    QFETCH(QString, resource);
    QFETCH(QString, safeName);
    const int ticksBefore = m_pollTicks.count();

    Observed *observed = startDownload(resource + QStringLiteral("?mode=open"));
    QVERIFY(observed);
    QTRY_COMPARE(observed->request->state(), QWebEngineDownloadRequest::DownloadCompleted);
    // Handed over while the download reported its completion, not at a later tick.
    QCOMPARE(observed->handedOverAtCompletion, 1);
    const int ticksAtCompletion = m_pollTicks.count();
    QTest::qWait(700);
    QCOMPARE(m_viewer.paths().size(), 1);
    QCOMPARE(m_pollTicks.count(), ticksAtCompletion);

    const QString path = m_viewer.paths().first();
    const QString prefix = QDir::tempPath() + QLatin1Char('/');
    QVERIFY2(path.startsWith(prefix) && path.endsWith(QLatin1Char('_') + safeName), qPrintable(path));
    QCOMPARE(path.size(), prefix.size() + 38 + 1 + safeName.size());
    QCOMPARE(m_viewer.contents().first().size(), observed->request->totalBytes());
    QVERIFY(m_viewer.contents().first().size() > 0);
    // The viewer gets time to read it: the copy stays for now.
    QVERIFY(QFile::exists(path));
    QCOMPARE(lineText(*m_strip), "Opened " + safeName);
    if (resource == QLatin1String("/slow"))
        QVERIFY2(ticksAtCompletion > ticksBefore, "the slow download should have been polled");
}

void TestDownloadManager::unfinishedDownloadLeavesNothing_data()
{
    QTest::addColumn<QString>("resource");
    QTest::addColumn<bool>("cancelMidway");

    QTest::newRow("server cuts off") << "/cut?mode=open" << false;
    // Open, not print: were the cancel to lose the race, a print would reach a real printer.
    QTest::newRow("cancelled while arriving") << "/slow?mode=open" << true;
}

void TestDownloadManager::unfinishedDownloadLeavesNothing()
{
    QFETCH(QString, resource);
    QFETCH(bool, cancelMidway);
    QTest::ignoreMessage(QtDebugMsg, QRegularExpression(QStringLiteral("^Download not handed over:")));
    // Files handed over earlier stay for a while; only this download's must be gone.
    const QStringList earlier = temporaryDownloads();

    QVERIFY(startDownload(resource));
    if (cancelMidway) {
        QTRY_VERIFY(m_observed.back()->request->receivedBytes() > 0);
        m_observed.back()->request->cancel();
    }
    // The engine restarts a broken download a few times, each time as a new request.
    QTRY_COMPARE_WITH_TIMEOUT(m_observed.back()->request->state(),
                              QWebEngineDownloadRequest::DownloadCancelled, 10000);
    const int ticksAtEnd = m_pollTicks.count();
    QTest::qWait(700);
    QCOMPARE(m_pollTicks.count(), ticksAtEnd);
    QCOMPARE(m_viewer.paths().size(), 0);
    QCOMPARE(temporaryDownloads(), earlier);
}

void TestDownloadManager::unwritableTemporaryFolderCancels_data()
{
    QTest::addColumn<QString>("temporaryFolder");

    QTest::newRow("missing") << "missing";
    QTest::newRow("a file") << "file";
}

void TestDownloadManager::unwritableTemporaryFolderCancels()
{
    QFETCH(QString, temporaryFolder);
    const QByteArray realTemporaryFolder = qgetenv("TMPDIR");
    const auto restore = qScopeGuard([&] { qputenv("TMPDIR", realTemporaryFolder); });
    const QString unusable = m_saveRoot.filePath(temporaryFolder);
    if (temporaryFolder == QLatin1String("file")) {
        QFile file(unusable);
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    qputenv("TMPDIR", QFile::encodeName(unusable));
    QTest::ignoreMessage(QtDebugMsg, QRegularExpression(QStringLiteral("^Download cancelled, temporary folder")));

    Observed *observed = startDownload(QStringLiteral("/report?mode=open"));
    QVERIFY(observed);
    QTRY_COMPARE(observed->request->state(), QWebEngineDownloadRequest::DownloadCancelled);
    QTest::qWait(300);
    QCOMPARE(m_viewer.paths().size(), 0);
}

MIREL_TEST_MAIN(TestDownloadManager)
#include "tst_downloadmanager.moc"
