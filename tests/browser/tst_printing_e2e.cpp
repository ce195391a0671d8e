#include "desktop.h"
#include "privatecups.h"
#include "support/isolatedenvironment.h"
#include "support/mirelprocess.h"
#include "support/testhttpserver.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QRandomGenerator>
#include <QtTest>

namespace {
TestHttpServer::Resource html(const QString &page)
{
    return { page.toUtf8(), "text/html; charset=utf-8", QString() };
}

// A page that is black from top to bottom, or white, and runs `onLoad` once loaded.
QString printingPage(const QString &title, bool dark, const QString &onLoad)
{
    return QStringLiteral(R"(<!doctype html><html><head><title>%1</title></head>
<body style="margin:0;background:%2"><div style="height:100vh"></div>
<script>addEventListener("load", () => setTimeout(() => { %3 }, 100));</script></body></html>)")
            .arg(title, dark ? "#000" : "#fff", onLoad);
}

// The share of dark pixels on the first page of `pdf`, or -1 when it cannot be rendered.
double darkShare(const QString &pdf, const QString &folder)
{
    const QString stem = folder + QStringLiteral("/page");
    if (QProcess::execute("pdftoppm", { "-gray", "-r", "30", "-f", "1", "-l", "1", "-singlefile", pdf, stem }) != 0)
        return -1;
    const QImage page(stem + QStringLiteral(".pgm"));
    if (page.isNull())
        return -1;
    qint64 dark = 0;
    for (int y = 0; y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x)
            dark += qGray(page.pixel(x, y)) < 128;
    return double(dark) / (page.width() * page.height());
}
} // namespace

// window.print() through the real program, the print dialog and a printer of a private CUPS.
class PrintingEndToEndTest final : public QObject
{
    Q_OBJECT
private slots:
    void printDialog_data();
    void printDialog();
    void randomRunEnds_data();
    void randomRunEnds();
};

void PrintingEndToEndTest::printDialog_data()
{
    QTest::addColumn<QString>("printing"); // which window prints, and how
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("outcome");
    QTest::addColumn<bool>("closes"); // the printing window closes once printed

    QTest::newRow("main window, printed") << "page" << "Return" << "Page printed:" << false;
    QTest::newRow("main window, cancelled") << "page" << "Escape" << "Page not printed, cancelled:" << false;
    QTest::newRow("popup, printed") << "popup" << "Return" << "Page printed:" << false;
    QTest::newRow("popup closing itself, printed first") << "popup closing itself" << "Return" << "Page printed:"
                                                         << true;
    // The usual label: the opener writes an empty window, prints it and closes it at once.
    QTest::newRow("label written, printed and closed by its opener") << "label" << "Return" << "Page printed:" << true;
    // The person closes the main window while its long page is still being printed.
    QTest::newRow("long page, window closed while printing") << "long page" << "Return" << "Page printed:" << true;
}

void PrintingEndToEndTest::printDialog()
{
    QFETCH(QString, printing);
    QFETCH(QString, key);
    QFETCH(QString, outcome);
    QFETCH(bool, closes);
    if (!Desktop::available() || QStandardPaths::findExecutable("pdftoppm").isEmpty())
        QSKIP("xdotool or pdftoppm is not installed");
    PrivateCups cups;
    if (!cups.start())
        QSKIP("no CUPS scheduler of the test's own could be started");
    TestHttpServer server;
    QVERIFY(server.listen());
    // A popup's page is printed, not its opener's: only the popup's is dark.
    const QString print = QStringLiteral("window.print();");
    const QString label = QStringLiteral(R"(const w = window.open("", "label");
w.document.write('<html><head><title>Printing popup</title></head><body style="margin:0;background:#000">'
                 + '<div style="height:100vh"></div></body></html>');
w.document.close(); w.focus(); w.print(); w.close();)");
    const QHash<QString, QString> start{{"page", printingPage("Printing page", true, print)},
                                        {"long page", printingPage("Printing page", true, print).replace("100vh", "4000vh")},
                                        {"popup", printingPage("Opener", false, "window.open('/popup.html');")},
                                        {"popup closing itself", printingPage("Opener", false, "window.open('/popup.html');")},
                                        {"label", printingPage("Opener", false, label)}};
    server.serve("/start.html", html(start.value(printing)));
    server.serve("/popup.html", html(printingPage("Printing popup", true,
                                                  printing == "popup closing itself" ? print + "window.close();" : print)));
    MirelProcess mirel;
    mirel.setEnvironment("CUPS_SERVER", cups.socket());
    mirel.writeSettings({ { "Server", server.url("/start.html").toString() }, { "ShowMaximized", "0" } });
    mirel.start();

    const QString dialog = Desktop::waitForWindow("^Print$", 30000);
    QVERIFY2(!dialog.isEmpty(), qPrintable(mirel.logLines().join('\n')));
    Desktop::key(dialog, key);
    if (printing == "long page") {
        QStringList windows;
        QTRY_COMPARE_WITH_TIMEOUT((windows = Desktop::windowsOf(mirel.processId())).size(), 1, 20000);
        Desktop::requestClose(windows.first());
        QTRY_VERIFY_WITH_TIMEOUT(!mirel.isRunning(), 60000);
    }
    const QString line = QStringLiteral("%1 \"http://127.0.0.1:%2\"").arg(outcome).arg(server.url("").port());
    QVERIFY2(mirel.waitForLogLine(line, 30000), qPrintable(mirel.logLines().join('\n')));
    QCOMPARE(mirel.logLines().filter("Page printed:").size() + mirel.logLines().filter("Page not printed").size(), 1);

    if (outcome == "Page printed:") {
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(cups.printed()).size() > 0, 20000);
        QTRY_VERIFY_WITH_TIMEOUT(darkShare(cups.printed(), mirel.home()) > 0.5, 10000);
        if (closes)
            QTRY_COMPARE_WITH_TIMEOUT(Desktop::windowsNamed("^Printing popup"), QStringList(), 10000);
    } else {
        QTest::qWait(1500);
        QVERIFY(!QFile::exists(cups.output()));
        QVERIFY(!QFile::exists(cups.spooledDocument()));
    }
    QCOMPARE(mirel.stop(), 0);
}

void PrintingEndToEndTest::randomRunEnds_data()
{
    QTest::addColumn<int>("seed");
    for (const int seed : {1, 2, 3})
        QTest::newRow(qPrintable(QStringLiteral("seed %1").arg(seed))) << seed;
}

// For a while the page opens, prints from, signs in through and closes windows at random while
// the person answers, cancels or closes what shows up; then the main window is closed.
void PrintingEndToEndTest::randomRunEnds()
{
    QFETCH(int, seed);
    PrivateCups cups;
    if (!Desktop::available() || !cups.start())
        QSKIP("xdotool or a CUPS scheduler of the test's own is missing");
    TestHttpServer server;
    QVERIFY(server.listen());
    TestHttpServer::Resource secret{ "<title>Signed in</title>", "text/html", {}, {}, "ann:s3cret", "Lab", {}, false };
    server.serve("/private", secret);
    server.serve("/popup.html", html(printingPage("Printing popup", true, "if (Math.random() < 0.5) window.print();"
                                                                          "if (Math.random() < 0.3) window.close();")));
    server.serve("/start.html", html(printingPage("Opener", false, QStringLiteral(R"(
let state = %1; const random = () => (state = (state * 1103515245 + 12345) % 2147483648) / 2147483648;
const open = [];
const act = () => {
  const r = random();
  if (r < 0.25) open.push(window.open("/popup.html", "", "width=300,height=200"));
  else if (r < 0.4) open.push(window.open("/private", "", "width=300,height=200"));
  else if (r < 0.55) { const w = window.open(""); w.document.write("<p>label</p>"); w.print(); w.close(); }
  else if (r < 0.65) window.print();
  else if (open.length) open.splice(Math.floor(random() * open.length), 1)[0].close();
  console.warn("MIREL-TEST acted " + r);
  setTimeout(act, 300 + random() * 700);
};
act();)").arg(seed))));
    MirelProcess mirel;
    mirel.setEnvironment("CUPS_SERVER", cups.socket());
    mirel.writeSettings({ { "Server", server.url("/start.html").toString() }, { "ShowMaximized", "0" } });
    mirel.start();
    QTRY_VERIFY_WITH_TIMEOUT(!Desktop::windowsOf(mirel.processId()).isEmpty(), 20000);
    const QString window = Desktop::windowsOf(mirel.processId()).value(0);
    QRandomGenerator person{quint32(seed)};
    QElapsedTimer running;
    running.start();
    while (running.elapsed() < 20000 && mirel.isRunning()) {
        QTest::qWait(200 + person.bounded(800));
        QStringList others = Desktop::windowsOf(mirel.processId());
        others.removeAll(window);
        const QString other = others.value(person.bounded(int(others.size()) + 1));
        const int action = person.bounded(3);
        if (!other.isEmpty())
            action == 2 ? Desktop::requestClose(other) : Desktop::key(other, action == 0 ? "Escape" : "Return");
    }
    QVERIFY2(mirel.isRunning(), qPrintable(mirel.logLines().join('\n')));
    QVERIFY(mirel.reportCount("acted") >= 5);
    // The person closes the main window, cancelling whatever question holds it, until it goes.
    QVERIFY2(QTest::qWaitFor([&] {
        const QStringList shown = Desktop::windowsOf(mirel.processId());
        for (const QString &other : shown) {
            if (other != window)
                Desktop::key(other, "Escape");
        }
        if (shown.contains(window))
            Desktop::requestClose(window);
        return !mirel.isRunning();
    }, 30000), qPrintable(mirel.logLines().join('\n')));
    QCOMPARE(mirel.stop(), 0);
}

MIREL_TEST_MAIN(PrintingEndToEndTest)
#include "tst_printing_e2e.moc"
