#include "desktop.h"
#include "privatecups.h"
#include "support/isolatedenvironment.h"
#include "support/mirelprocess.h"
#include "support/testhttpserver.h"

#include <QApplication>
#include <QImage>
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

MIREL_TEST_MAIN(PrintingEndToEndTest)
#include "tst_printing_e2e.moc"
