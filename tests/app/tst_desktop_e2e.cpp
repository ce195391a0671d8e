#include "app/singleinstance.h"
#include "browser/desktop.h"
#include "support/isolatedenvironment.h"
#include "support/mirelprocess.h"
#include "support/testhttpserver.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLockFile>
#include <QRegularExpression>
#include <QtTest>

#include <csignal>
#include <sys/stat.h>

namespace {
// Reports "state" with the page's query and zoom whenever it is shown or resized (zoomed); a click
// goes on to "?second", so that there is a page to go back to.
const QString KeysPage = QStringLiteral(R"(
    // A link over the whole page: the engine goes back only to pages the person acted on.
    if (!location.search)
      document.body.insertAdjacentHTML("beforeend", '<a href="?second" style="position:fixed;inset:0"></a>');
    const state = () => report("state", location.search + " " + Math.round(devicePixelRatio * 100) / 100);
    addEventListener("resize", state);
    addEventListener("pageshow", event => event.persisted && state()); // back from the page cache
    // Keys no shortcut took, for telling the display's keymap from the shell.
    addEventListener("keydown", event => report("key", {key: event.key, alt: event.altKey}));
    state();
)");

// The last "state" the page reported, without the JSON quotes.
QString lastState(MirelProcess &mirel)
{
    const QStringList reports = mirel.logLines().filter(QStringLiteral("MIREL-TEST state \""));
    return reports.isEmpty() ? QString() : reports.last().section(QStringLiteral("MIREL-TEST state \""), 1).chopped(1);
}

// A word three times, far below the fold; the page reports where it is scrolled to and the keys it gets.
const QString FindPage = QStringLiteral(R"(
    const gap = '<div style="height:4000px"></div>';
    document.body.insertAdjacentHTML("beforeend", [1, 2, 3].map(n => gap + "<p>quokka " + n + "</p>").join(""));
    addEventListener("scroll", () => report("scroll", Math.round(scrollY)));
    addEventListener("keydown", event => report("key", event.key));
    report("ready", true);
)");

// The count the find bar showed last ("2 of 3"), as the log says it.
QString lastFound(MirelProcess &mirel)
{
    const QStringList found = mirel.logLines().filter(QRegularExpression(QStringLiteral("^Find in page: ")));
    return found.isEmpty() ? QString() : found.last().mid(int(qstrlen("Find in page: ")));
}

int lastScroll(MirelProcess &mirel)
{
    const QStringList reports = mirel.logLines().filter(QStringLiteral("MIREL-TEST scroll "));
    return reports.isEmpty() ? 0 : reports.last().section(QLatin1Char(' '), -1).toInt();
}

int visibleWindows(MirelProcess &mirel)
{
    const auto found = mirel.xdotool({"search", "--onlyvisible", "--pid", QString::number(mirel.processId())});
    return found ? int(found->split(QLatin1Char('\n'), Qt::SkipEmptyParts).size()) : -1;
}

// Starts on the keys page, served by `server` or else from a file, and clicks on to its second page.
bool startOnKeysPage(MirelProcess &mirel, TestHttpServer *server = nullptr)
{
    if (!mirel.usePrivateDisplay() || (server && !server->listen()))
        return false;
    QString page;
    if (server) {
        server->serve("/keys.html", {bridgePage(KeysPage).toUtf8(), "text/html; charset=utf-8", QString()});
        page = server->url("/keys.html").toString();
    } else {
        page = mirel.writeBridgePage("keys.html", KeysPage);
    }
    mirel.writeSettings({{"Server", page}, {"ShowMaximized", "0"}});
    mirel.start();
    if (!QTest::qWaitFor([&] { return lastState(mirel) == " 1"; }, 20000))
        return false;
    // Again while the window is too new to take the click.
    for (int attempt = 0; attempt < 5; ++attempt) {
        if (mirel.xdotool({"mousemove", "--window", "%1", "50", "50", "click", "1"})
            && QTest::qWaitFor([&] { return lastState(mirel) == "?second 1"; }, 3000))
            return true;
    }
    return false;
}
} // namespace

// The real program as people start it and use it: one instance, the usual keys, what they set kept,
// the log file.
class DesktopEndToEndTest final : public QObject
{
    Q_OBJECT
private slots:
    void oneInstance();
    void holderThatDoesNotAnswerIsReported();
    void keys_data();
    void keys();
    void zoomAndSizeKeptAcrossStarts();
    void logFileHoldsTheShellsLines();
    void findBarAndDeveloperTools();
    void logFileKeepsTheLastLines_data();
    void logFileKeepsTheLastLines();
};

void DesktopEndToEndTest::oneInstance()
{
    MirelProcess mirel;
    QVERIFY(mirel.usePrivateDisplay()); // coming forward takes the focus
    mirel.useSimulator();
    mirel.writeSettings({{"Server", mirel.writeBridgePage("up.html", R"(report("up", true);)")}});
    mirel.start();
    QVERIFY(mirel.waitForReport("up"));
    // A crashed run's lock is taken over.
    mirel.crash();
    QVERIFY(!QDir(mirel.runtimeDir()).entryList({"mirel-*.lock"}).isEmpty());
    mirel.start();
    QVERIFY(mirel.waitForReport("up"));
    const QByteArrayList journal = mirel.simulatorJournal();
    QVERIFY(journal.contains("OpenDevice 1"));
    QVERIFY(QFile::remove(mirel.settingsFile()));

    QElapsedTimer sinceStart;
    sinceStart.start();
    const auto second = mirel.startAnother();
    QVERIFY(second->waitForFinished(2000) && sinceStart.elapsed() < 2000);
    QCOMPARE(second->exitStatus(), QProcess::NormalExit);
    QCOMPARE(second->exitCode(), 0);
    QVERIFY(mirel.waitForLogLine("Window brought forward for another start", 5000));
    // From another display of the same user: told so there, in a box, and the first stays put.
    const auto elsewhere = mirel.startAnother({"WAYLAND_DISPLAY=wayland-9", "QT_QPA_PLATFORM=xcb"});
    QCOMPARE(mirel.xdotool({"getwindowname", "%1"}, elsewhere->processId()), "Mirel\n");
    for (int attempt = 0; attempt < 5 && !elsewhere->waitForFinished(2000); ++attempt)
        mirel.xdotool({"key", "Return"}, elsewhere->processId());
    QCOMPARE(elsewhere->exitCode(), 1);
    QCOMPARE(mirel.logLines().filter("Window brought forward").size(), 1);
    // Neither opened an instrument, wrote settings or loaded a page.
    QCOMPARE(mirel.simulatorJournal(), journal);
    QVERIFY(!QFile::exists(mirel.settingsFile()));
    QCOMPARE(mirel.reportCount("up"), 1);
    QCOMPARE(mirel.stop(), 0);

    // Closed during a calibration that does not return, it holds the lock through the library's
    // grace without answering: a start meanwhile waits for it, then runs.
    mirel.setEnvironment("MIREL_SIM_CALIBRATION_MS", "60000");
    mirel.writeSettings({{"Server", mirel.writeBridgePage("slow.html", R"(report("up", true); call("doCalibrateNow");)")}});
    mirel.start();
    QVERIFY(mirel.waitForReport("up"));
    QTest::qWait(500); // the calibration under way
    QVERIFY(::kill(pid_t(mirel.processId()), SIGTERM) == 0);
    const auto next = mirel.startAnother({"MIREL_SIM_CALIBRATION_MS=0"});
    next->setReadChannel(QProcess::StandardError);
    QCOMPARE(mirel.stop(), 0);
    QTRY_VERIFY_WITH_TIMEOUT(next->peek(1 << 20).contains("MIREL-TEST up"), 20000);
    next->terminate();
    QVERIFY(next->waitForFinished(10000) && next->exitCode() == 0);
}

void DesktopEndToEndTest::holderThatDoesNotAnswerIsReported()
{
    MirelProcess mirel;
    // A live process holds the lock but nothing listens for later starts.
    QLockFile lock(mirel.runtimeDir() + "/" + SingleInstance::currentKey() + ".lock");
    QVERIFY(lock.tryLock(0));
    QVERIFY(mirel.usePrivateDisplay());
    mirel.start();

    QVERIFY(mirel.waitForLogLine("Mirel is already running but does not answer: \"" + lock.fileName() + "\"", 10000));
    QCOMPARE(mirel.xdotool({"getwindowname", "%1"}), "Mirel\n"); // the message box
    // Again while the box is too new to take the key.
    for (int attempt = 0; attempt < 5 && mirel.isRunning(); ++attempt) {
        mirel.xdotool({"key", "Return"});
        static_cast<void>(QTest::qWaitFor([&] { return !mirel.isRunning(); }, 2000));
    }
    QCOMPARE(mirel.stop(), 1);
}

void DesktopEndToEndTest::keys_data()
{
    QTest::addColumn<QStringList>("input");
    QTest::addColumn<QString>("state");
    QTest::addColumn<QString>("cacheControl"); // what the reload asked of the server's cache
    QTest::newRow("F5 reloads") << QStringList{"key", "F5"} << "?second 1" << "max-age=0";
    QTest::newRow("Ctrl+R reloads") << QStringList{"key", "ctrl+r"} << "?second 1" << "max-age=0";
    QTest::newRow("Ctrl+Shift+R reloads") << QStringList{"key", "ctrl+shift+r"} << "?second 1" << "no-cache";
    QTest::newRow("Alt+Left goes back") << QStringList{"key", "alt+Left"} << " 1" << "";
    QTest::newRow("the keyboard's Back key") << QStringList{"key", "XF86Back"} << " 1" << "";
    QTest::newRow("Ctrl+plus zooms in") << QStringList{"key", "ctrl+plus"} << "?second 1.1" << "";
    QTest::newRow("Ctrl+= zooms in") << QStringList{"key", "ctrl+equal"} << "?second 1.1" << "";
    QTest::newRow("Ctrl+keypad plus zooms in") << QStringList{"key", "ctrl+KP_Add"} << "?second 1.1" << "";
    QTest::newRow("Ctrl+minus zooms out") << QStringList{"key", "ctrl+minus"} << "?second 0.9" << "";
}

void DesktopEndToEndTest::keys()
{
    QFETCH(QStringList, input);
    QFETCH(QString, cacheControl);
    MirelProcess mirel;
    TestHttpServer server;
    QVERIFY(startOnKeysPage(mirel, &server));
    const int before = mirel.reportCount("state");

    const int keysBefore = mirel.reportCount("key");
    QVERIFY(mirel.xdotool(input));
    QTRY_VERIFY_WITH_TIMEOUT(mirel.reportCount("state") > before || mirel.reportCount("key") > keysBefore, 10000);
    QTest::qWait(300); // the rest of the keys the page is told of
    // Some displays' keymaps (seen on Debian testing) make xdotool hold Alt with F5 or a keypad key.
    if (mirel.reportCount("state") == before && !input.join(' ').contains("alt")
        && mirel.logLines().filter(QStringLiteral("MIREL-TEST key ")).join(' ').contains("\"alt\":true"))
        QSKIP("xdotool sends this key with Alt on this display");
    QTRY_VERIFY_WITH_TIMEOUT(mirel.reportCount("state") > before, 10000);
    QTEST(lastState(mirel), "state");
    if (!cacheControl.isEmpty())
        QCOMPARE(server.lastHeader("/keys.html", "cache-control"), cacheControl.toUtf8());
    QCOMPARE(mirel.stop(), 0);
}

void DesktopEndToEndTest::zoomAndSizeKeptAcrossStarts()
{
    MirelProcess mirel;
    QVERIFY(startOnKeysPage(mirel));
    // Moved and sized first: once the page sees the zoom, the window has seen those too. One step
    // with the keys, one with Ctrl and the wheel.
    QVERIFY(mirel.xdotool({"windowmove", "%1", "30", "40", "windowsize", "%1", "700", "500", "key", "ctrl+plus",
                           "sleep", "0.3", "keydown", "ctrl", "click", "4", "keyup", "ctrl"}));
    QTRY_COMPARE_WITH_TIMEOUT(lastState(mirel), "?second 1.25", 10000);
    QCOMPARE(mirel.stop(), 0);
    QCOMPARE(mirel.readSettings().value("ZoomFactor"), "1.25");
    QCOMPARE(mirel.readSettings().value("WindowGeometry"), "30,40,700,500");

    mirel.start();
    QTRY_COMPARE_WITH_TIMEOUT(lastState(mirel), " 1.25", 20000);
    const auto geometry = mirel.xdotool({"getwindowgeometry", "%1"});
    QVERIFY(geometry);
    QVERIFY2(geometry->contains("Position: 30,40") && geometry->contains("Geometry: 700x500"), qPrintable(*geometry));
    QCOMPARE(mirel.stop(), 0);
}

void DesktopEndToEndTest::logFileHoldsTheShellsLines()
{
    MirelProcess mirel;
    mirel.useSimulator();
    // One line short of starting afresh, and an older file to be replaced.
    QDir().mkpath(QFileInfo(mirel.logFile()).path());
    QFile current(mirel.logFile()), older(mirel.logFile() + ".1");
    QVERIFY(current.open(QIODevice::WriteOnly) && older.open(QIODevice::WriteOnly));
    current.write(QByteArray(1024 * 1024 - 10, 'x') + '\n');
    older.write("older\n");
    current.close();
    older.close();
    mirel.writeSettings({{"Server", mirel.writeBridgePage("up.html", R"(report("up", await call("isConnected"));)")}});
    mirel.start();
    QCOMPARE(mirel.waitForReport("up"), "true");
    QCOMPARE(mirel.stop(), 0);

    QVERIFY(older.open(QIODevice::ReadOnly) && current.open(QIODevice::ReadOnly | QIODevice::Text));
    QVERIFY(older.readLine().startsWith("xxxxxxxx"));
    const QString log = QString::fromUtf8(current.readAll());
    static const QRegularExpression stamped(R"(^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3} test is connected$)",
                                            QRegularExpression::MultilineOption);
    QVERIFY2(stamped.match(log).hasMatch(), qPrintable(log));
    QVERIFY(!log.contains("MIREL-TEST")); // the page's console stays out
    // Started afresh by mirel, and so the user's alone, whatever the older files were.
    QCOMPARE(current.permissions() & ~(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser),
             QFile::Permissions());
}

void DesktopEndToEndTest::logFileKeepsTheLastLines_data()
{
    QTest::addColumn<QString>("end");
    QTest::newRow("window closed") << "close";
    QTest::newRow("SIGTERM") << "terminate";
    QTest::newRow("crash") << "crash";
}

// The log file's lines go out from a thread of their own: every one must still reach the file,
// the last ones too. A button wait that the end cancels logs from the instrument thread to the
// very end ("<n> JJ 0").
void DesktopEndToEndTest::logFileKeepsTheLastLines()
{
    QFETCH(QString, end);
    MirelProcess mirel;
    mirel.useSimulator();
    mirel.writeSettings({{"Server", mirel.writeBridgePage("wait.html", R"(report("scan", await call("doOneScan"));)")}});
    // As most logins have it, so that the modes below are Mirel's own choice.
    const mode_t umaskBefore = ::umask(022);
    mirel.start();
    ::umask(umaskBefore);
    QVERIFY(mirel.waitForLogLine("3 II 0"));

    const auto fileLines = [&mirel] {
        QFile file(mirel.logFile());
        QStringList lines;
        if (file.open(QIODevice::ReadOnly | QIODevice::Text)) {
            for (const QString &line : QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts))
                lines.append(line.section(' ', 1)); // without the time stamp
        }
        return lines;
    };
    if (end == "crash") {
        // Written while mirel runs, within a tenth of a second: a crash loses no more.
        QTRY_VERIFY_WITH_TIMEOUT(fileLines().contains("3 II 0"), 5000);
        mirel.crash();
        QVERIFY(fileLines().contains("3 II 0"));
    } else {
        if (end == "close") {
            const QStringList windows = Desktop::windowsOf(mirel.processId());
            QVERIFY(!windows.isEmpty());
            Desktop::requestClose(windows.first());
            QTRY_VERIFY_WITH_TIMEOUT(!mirel.isRunning(), 20000);
        }
        QCOMPARE(mirel.stop(), 0);
        const QStringList shellLines =
                mirel.logLines().filter(QRegularExpression(QStringLiteral("^\\d+ (II|JJ) \\d$")));
        QVERIFY(!shellLines.isEmpty() && shellLines.last().contains(" JJ "));
        const QStringList written = fileLines().filter(QRegularExpression(QStringLiteral("^\\d+ (II|JJ) \\d$")));
        QCOMPARE(written, shellLines);
        QCOMPARE(fileLines().last(), shellLines.last());
    }

    // The user's alone: the file, and the folders mirel made for it.
    const auto mode = [](const QString &path) {
        struct stat status = {};
        if (::stat(QFile::encodeName(path).constData(), &status) != 0)
            return QStringLiteral("missing");
        return QString::number(status.st_mode & 0777, 8);
    };
    QCOMPARE(mode(mirel.logFile()), "600");
    QCOMPARE(mode(mirel.dataHome() + "/Quenza/Mirel"), "700");
    QCOMPARE(mode(mirel.dataHome() + "/Quenza"), "700");
}

void DesktopEndToEndTest::findBarAndDeveloperTools()
{
    MirelProcess mirel;
    QVERIFY(mirel.usePrivateDisplay());
    const QString page = mirel.writeBridgePage("find.html", FindPage);
    mirel.writeSettings({{"Server", page}, {"ShowMaximized", "0"}});
    mirel.start();
    QVERIFY(mirel.waitForReport("ready"));

    // Typing finds the first match, Return the next one, far below the fold.
    QVERIFY(mirel.xdotool({"key", "ctrl+f", "sleep", "0.5", "type", "--delay", "20", "quokka"}));
    QTRY_COMPARE_WITH_TIMEOUT(lastFound(mirel), "1 of 3", 10000);
    QVERIFY(mirel.xdotool({"key", "Return"}));
    QTRY_COMPARE_WITH_TIMEOUT(lastFound(mirel), "2 of 3", 10000);
    QTRY_VERIFY_WITH_TIMEOUT(lastScroll(mirel) > 6000, 10000);
    QVERIFY(mirel.xdotool({"key", "shift+Return"}));
    QTRY_COMPARE_WITH_TIMEOUT(lastFound(mirel), "1 of 3", 10000);
    QTRY_VERIFY_WITH_TIMEOUT(lastScroll(mirel) < 5000, 10000);
    // Return rather than F3, which some displays' keymaps (Debian testing's) send with Alt.
    QVERIFY(mirel.xdotool({"key", "Return", "sleep", "0.3", "key", "Return"}));
    QTRY_COMPARE_WITH_TIMEOUT(lastFound(mirel), "3 of 3", 10000);
    // Ctrl+F again selects the text, which the next word replaces.
    QVERIFY(mirel.xdotool({"key", "ctrl+f", "sleep", "0.3", "type", "--delay", "20", "wombat"}));
    QTRY_COMPARE_WITH_TIMEOUT(lastFound(mirel), "0 of 0", 10000);
    // Escape closes the bar: the page has the keys again.
    QVERIFY(mirel.logLines().filter("MIREL-TEST key \"w\"").isEmpty());
    QVERIFY(mirel.xdotool({"key", "Escape", "sleep", "0.3", "key", "x"}));
    QTRY_COMPARE_WITH_TIMEOUT(mirel.logLines().filter("MIREL-TEST key \"x\"").size(), 1, 10000);

    // Without the administrator's key the tools' keys open nothing. Ctrl+Shift+I rather than F12,
    // which some displays' keymaps (Debian testing's) send with Alt.
    QCOMPARE(visibleWindows(mirel), 1);
    QVERIFY(mirel.xdotool({"key", "ctrl+shift+i", "sleep", "2"}));
    QCOMPARE(visibleWindows(mirel), 1);
    QCOMPARE(mirel.stop(), 0);

    // With it, they open the tools in a window of their own, once.
    mirel.writeSettings({{"Server", page}, {"ShowMaximized", "0"}, {"DeveloperTools", "1"}});
    mirel.start();
    QVERIFY(mirel.waitForReport("ready"));
    const auto main = mirel.xdotool({"search", "--onlyvisible", "--pid", QString::number(mirel.processId())});
    QVERIFY(main);
    QVERIFY(mirel.xdotool({"key", "ctrl+shift+i"}));
    QTRY_COMPARE_WITH_TIMEOUT(visibleWindows(mirel), 2, 20000);
    QVERIFY(mirel.xdotool({"windowfocus", "--sync", main->trimmed(), "key", "ctrl+shift+i", "sleep", "2"}));
    QCOMPARE(visibleWindows(mirel), 2);
    QCOMPARE(mirel.stop(), 0);
}

MIREL_TEST_MAIN(DesktopEndToEndTest)
#include "tst_desktop_e2e.moc"
