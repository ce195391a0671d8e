#include "support/isolatedenvironment.h"
#include "handoverfixture.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QUrl>
#include <QtTest>

using Page = HandOverFixture::Page;

namespace {
// The children of `parent` that have ended and wait to be collected.
QStringList unreapedChildren(qint64 parent)
{
    QStringList found;
    const QStringList processes = QDir(QStringLiteral("/proc")).entryList({ QStringLiteral("[0-9]*") }, QDir::Dirs);
    for (const QString &process : processes) {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(process));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        // "pid (name) state ppid ...": the name may hold spaces and parentheses.
        const QByteArray line = stat.readAll();
        const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 1 && fields.at(0) == "Z" && fields.at(1).toLongLong() == parent)
            found << QString::fromLatin1(line.left(line.lastIndexOf(')') + 1));
    }
    return found;
}
} // namespace

// The real program hands a temporary copy to "xdg-open" or "lp" for the modes that ask for it,
// and nothing for any other mode, for a page it does not trust, for a program or for a download
// the server breaks off.
class TestDownloadHandOver final : public QObject
{
    Q_OBJECT

private slots:
    void handOverByMode_data();
    void handOverByMode();
    void brokenDownloadHandsOverNothing();
    void saveCancelledFromItsLine();
};

void TestDownloadHandOver::handOverByMode_data()
{
    QTest::addColumn<QString>("link");
    QTest::addColumn<Page>("page");
    QTest::addColumn<QString>("program"); // empty: nothing may be handed over
    QTest::addColumn<QString>("savedInstead"); // the log line when the save dialog takes over

    const QString document = QStringLiteral("\"%1\"").arg(HandOverFixture::suggestedName());
    QTest::newRow("open") << "/doc.pdf?mode=open" << Page::Start << "xdg-open" << "";
    QTest::newRow("print") << "/doc.pdf?mode=print" << Page::Start << "lp" << "";
    QTest::newRow("capitalised print") << "/doc.pdf?mode=Print" << Page::Start << "" << "";
    QTest::newRow("unknown") << "/doc.pdf?mode=bogus" << Page::Start << "" << "";
    QTest::newRow("untrusted page opens")
            << "/doc.pdf?mode=open" << Page::Foreign << ""
            << "Download saved instead of opened: " + document + " (untrusted page)";
    QTest::newRow("untrusted page prints")
            << "/doc.pdf?mode=print" << Page::Foreign << ""
            << "Download saved instead of printed: " + document + " (untrusted page)";
    // A window the page opened is judged by its own page, not by its opener.
    QTest::newRow("trusted popup opens") << "/doc.pdf?mode=open" << Page::Popup << "xdg-open" << "";
    QTest::newRow("untrusted popup of a trusted page opens")
            << "/doc.pdf?mode=open" << Page::ForeignPopup << ""
            << "Download saved instead of opened: " + document + " (untrusted page)";
    QTest::newRow("program opened") << "/payload.exe?mode=open" << Page::Start << ""
                                    << "Download saved instead of opened: \"payload.exe\" (runs as a program)";
    QTest::newRow("page's own export") << "data:text/csv,customer%3BACME-PRIVATE-4471" << Page::Start << "" << "";
    QTest::newRow("launcher opened") << "/setup.desktop?mode=open" << Page::Start << ""
                                     << "Download saved instead of opened: \"setup.desktop\" (runs as a program)";
}

void TestDownloadHandOver::handOverByMode()
{
    QFETCH(QString, link);
    QFETCH(Page, page);
    QFETCH(QString, program);
    QFETCH(QString, savedInstead);
    HandOverFixture fixture;
    QVERIFY(fixture.ready());
    fixture.server().serve(QStringLiteral("/payload.exe"), { "MZ", "application/octet-stream", "payload.exe" });
    fixture.server().serve(QStringLiteral("/setup.desktop"),
                           { "[Desktop Entry]\nType=Application\nExec=touch ran\n", "application/x-desktop",
                             "setup.desktop" });
    fixture.start(link, page);
    QVERIFY2(fixture.process().waitForLogLine(fixture.requestLogLine(link)),
             qPrintable(fixture.process().logLines().join(QLatin1Char('\n'))));
    QCOMPARE(fixture.process().logLines().filter(QStringLiteral("ACME-PRIVATE")), QStringList());

    if (program.isEmpty()) {
        // The save dialog stays open, unanswered, until the program is stopped.
        if (!savedInstead.isEmpty())
            QVERIFY2(fixture.process().waitForLogLine(savedInstead, 5000),
                     qPrintable(fixture.process().logLines().join(QLatin1Char('\n'))));
        QTest::qWait(1500);
        QCOMPARE(fixture.process().logLines().filter(QStringLiteral("Download saved instead of")).size(),
                 savedInstead.isEmpty() ? 0 : 1);
        QCOMPARE(fixture.calls(QStringLiteral("xdg-open")).size(), 0);
        QCOMPARE(fixture.calls(QStringLiteral("lp")).size(), 0);
        QCOMPARE(fixture.temporaryDownloads(), QStringList());
        QCOMPARE(fixture.process().stop(), 0);
        return;
    }

    QTRY_COMPARE_WITH_TIMEOUT(fixture.calls(program).size(), 1, 10000);
    const QStringList arguments = fixture.calls(program).first();
    QCOMPARE(arguments.size(), 1);
    // xdg-open is given a file URL, lp a path.
    const QString path = program == QLatin1String("xdg-open") ? QUrl(arguments.first()).toLocalFile()
                                                               : arguments.first();
    const QString folder = QDir(fixture.process().tempDir()).canonicalPath();
    const QRegularExpression shape(QStringLiteral("^\\{[0-9a-f]{8}(-[0-9a-f]{4}){3}-[0-9a-f]{12}\\}_")
                                   + QRegularExpression::escape(HandOverFixture::safeName()) + QLatin1Char('$'));
    QCOMPARE(QFileInfo(path).absolutePath(), folder);
    QVERIFY2(shape.match(QFileInfo(path).fileName()).hasMatch(), qPrintable(path));
    QFile handed(path);
    QVERIFY(handed.open(QIODevice::ReadOnly));
    QCOMPARE(handed.readAll(), HandOverFixture::document());

    QTest::qWait(1000);
    QCOMPARE(fixture.calls(program).size(), 1);
    // Standard input, output and error alone, besides the listing's own; none of the program's.
    QCOMPARE(fixture.descriptors(program), QStringList({"0", "1", "2", "3"}));
    // The stand-in has ended: the program has collected it.
    QCOMPARE(unreapedChildren(fixture.process().processId()), QStringList());
    const QString other = program == QLatin1String("lp") ? QStringLiteral("xdg-open") : QStringLiteral("lp");
    QCOMPARE(fixture.calls(other).size(), 0);
    QCOMPARE(fixture.temporaryDownloads(), QStringList{ QFileInfo(path).fileName() });
    QCOMPARE(fixture.process().stop(), 0);
}

void TestDownloadHandOver::brokenDownloadHandsOverNothing()
{
    HandOverFixture fixture;
    QVERIFY(fixture.ready());
    const QString link = QStringLiteral("/cut.pdf?mode=open");
    fixture.start(link);
    QVERIFY(fixture.process().waitForLogLine(fixture.requestLogLine(link)));
    QTRY_VERIFY_WITH_TIMEOUT(fixture.process().logLines().filter(QStringLiteral("Download not handed over:")).size() == 1,
                             15000);
    // The server saw the engine's restarts; none of them may reach a viewer.
    QVERIFY(fixture.server().requestCount(QStringLiteral("/cut.pdf")) >= 1);
    QTest::qWait(1000);
    QCOMPARE(fixture.calls(QStringLiteral("xdg-open")).size(), 0);
    QCOMPARE(fixture.temporaryDownloads(), QStringList());
    QCOMPARE(QDir(fixture.process().tempDir()).entryList({ QStringLiteral("*.pdf*") }, QDir::Files | QDir::Hidden),
             QStringList());
    QCOMPARE(fixture.process().stop(), 0);
}

void TestDownloadHandOver::saveCancelledFromItsLine()
{
    HandOverFixture fixture;
    QVERIFY(fixture.ready());
    MirelProcess &mirel = fixture.process();
    QVERIFY(mirel.usePrivateDisplay());
    // Half of it arrives, then the server keeps the download waiting.
    fixture.server().serve(QStringLiteral("/stalled.pdf"), { QByteArray(512 * 1024, 's'), "application/pdf",
                                                            QStringLiteral("stalled.pdf"), TestHttpServer::Delivery::Stalled });
    const QString link = QStringLiteral("/stalled.pdf?mode=save");
    fixture.start(link);
    QVERIFY(mirel.waitForLogLine(fixture.requestLogLine(link)));
    const QString chosen = QDir(mirel.home()).filePath(QStringLiteral("kept.pdf"));
    const auto dialog = mirel.xdotool({"search", "--sync", "--onlyvisible", "--name", "Enregistrer le fichier"});
    QVERIFY(dialog);
    QVERIFY(mirel.xdotool({"windowfocus", "--sync", dialog->trimmed(), "key", "ctrl+a", "type", "--delay", "20", chosen}));
    QVERIFY(mirel.xdotool({"windowfocus", "--sync", dialog->trimmed(), "key", "Return"}));
    const auto written = [&] { return QDir(mirel.home()).entryList({ QStringLiteral("kept.pdf*") }, QDir::Files | QDir::Hidden); };
    QTRY_VERIFY_WITH_TIMEOUT(!written().isEmpty(), 10000);

    // The window's line for it sits at the bottom, Cancel at its right end while it arrives.
    const auto geometry = mirel.xdotool({"getwindowgeometry", "%1"});
    QVERIFY(geometry);
    const QRegularExpressionMatch size = QRegularExpression(QStringLiteral("Geometry: (\\d+)x(\\d+)")).match(*geometry);
    QVERIFY2(size.hasMatch(), qPrintable(*geometry));
    QVERIFY(mirel.xdotool({"mousemove", "--window", "%1", QString::number(size.captured(1).toInt() - 26),
                           QString::number(size.captured(2).toInt() - 12), "click", "1"}));
    QTRY_COMPARE_WITH_TIMEOUT(written(), QStringList(), 10000);
    QVERIFY(mirel.logLines().filter(QStringLiteral("Download not saved")).isEmpty()); // cancelled, not broken
    QCOMPARE(mirel.stop(), 0);
}

MIREL_TEST_MAIN(TestDownloadHandOver)
#include "tst_downloadhandover_e2e.moc"
