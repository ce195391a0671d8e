#include "support/isolatedenvironment.h"

#include "bridge/originpolicy.h"
#include "downloads/desktopopen.h"
#include "downloads/downloadmode.h"
#include "downloads/handoverrefusal.h"
#include "downloads/pendingremovals.h"
#include "downloads/printcommand.h"
#include "downloads/temporaryfilename.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

// The pure rules behind a download: its mode, its temporary file and the print command.
class TestDownloadRules final : public QObject
{
    Q_OBJECT

private slots:
    void modeFromUrl_data();
    void modeFromUrl();
    void safeName_data();
    void safeName();
    void longNameKeepsExtension_data();
    void longNameKeepsExtension();
    void handOverRefusal_data();
    void handOverRefusal();
    void leftoverFilterTakesNamesLiterally_data();
    void leftoverFilterTakesNamesLiterally();
    void temporaryPathShape();
    void temporaryPathsDiffer();
    void earlierRunsLeaveOnlyTheirOwnFiles_data();
    void earlierRunsLeaveOnlyTheirOwnFiles();
    void printCommandPerPlatform_data();
    void printCommandPerPlatform();
    void openCommand_data();
    void openCommand();
    void windowsCommandLineQuotesTheFile_data();
    void windowsCommandLineQuotesTheFile();
};

void TestDownloadRules::modeFromUrl_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("mode");

    const QString base = QStringLiteral("http://127.0.0.1/file.pdf");
    QTest::newRow("no query") << base << "save";
    QTest::newRow("empty value") << base + "?mode=" << "save";
    QTest::newRow("key without value") << base + "?mode" << "save";
    QTest::newRow("save") << base + "?mode=save" << "save";
    QTest::newRow("open") << base + "?mode=open" << "open";
    QTest::newRow("print") << base + "?mode=print" << "print";
    QTest::newRow("value case kept") << base + "?mode=Print" << "Print";
    QTest::newRow("key is case-sensitive") << base + "?Mode=open" << "save";
    QTest::newRow("first of two wins") << base + "?mode=print&mode=open" << "print";
    QTest::newRow("among other items") << base + "?id=7&mode=open&lang=fr" << "open";
    QTest::newRow("encoded letter") << base + "?mode=%6Fpen" << "open";
    QTest::newRow("encoded space") << base + "?mode=op%20en" << "op en";
    QTest::newRow("encoded ampersand") << base + "?mode=open%26x" << "open&x";
    QTest::newRow("plus is no space") << base + "?mode=open+x" << "open+x";
    QTest::newRow("fragment is not query") << base + "#mode=open" << "save";
}

void TestDownloadRules::modeFromUrl()
{
    QFETCH(QString, url);
    QFETCH(QString, mode);
    QCOMPARE(downloadMode(QUrl(url)), mode);
}

void TestDownloadRules::safeName_data()
{
    QTest::addColumn<QString>("suggested");
    QTest::addColumn<QString>("safe");

    QTest::newRow("plain") << "report.pdf" << "report.pdf";
    QTest::newRow("spaces inside kept") << "  colour report.pdf " << "colour report.pdf";
    QTest::newRow("ampersand") << "a&calc.pdf" << "acalc.pdf";
    QTest::newRow("windows climb") << "..\\..\\evil.bat" << "evil.bat";
    QTest::newRow("unix climb") << "../x" << "x";
    QTest::newRow("absolute") << "/etc/passwd" << "passwd";
    QTest::newRow("trailing folder") << "evil.bat/.." << "evil.bat";
    QTest::newRow("environment variable") << "%PATH%.pdf" << "PATH.pdf";
    QTest::newRow("pipe") << "x|y" << "xy";
    QTest::newRow("redirections and caret") << "a<b>c^d.pdf" << "abcd.pdf";
    QTest::newRow("delayed expansion") << "!x!.pdf" << "x.pdf";
    QTest::newRow("quote breaks out") << "a\" & del x \".pdf" << "a  del x .pdf";
    QTest::newRow("drive and wildcards") << "C:*?.pdf" << "C.pdf";
    QTest::newRow("control characters") << QString("a\tb\nc\rd\x01\x7f.pdf") << "abcd.pdf";
    QTest::newRow("nul character") << QString::fromUtf16(u"a\0b.pdf", 7) << "ab.pdf";
    QTest::newRow("right-to-left override") << QString::fromUtf8("invoice\u202Efdp.exe")
                                            << "invoicefdp.exe";
    QTest::newRow("hidden file") << ".bashrc" << "bashrc";
    QTest::newRow("trailing dots and spaces") << "x.pdf. . " << "x.pdf";
    QTest::newRow("accents") << QString::fromUtf8("Relevé été.pdf") << QString::fromUtf8("Relevé été.pdf");
    QTest::newRow("cjk") << QString::fromUtf8("測定結果.pdf") << QString::fromUtf8("測定結果.pdf");
    QTest::newRow("outside the BMP") << QString::fromUtf8("📄 scan.pdf") << QString::fromUtf8("📄 scan.pdf");
    QTest::newRow("empty") << "" << "download";
    QTest::newRow("only dots") << ".." << "download";
    QTest::newRow("only separators") << "/\\/" << "download";
    QTest::newRow("only shell characters") << "&|<>^%!" << "download";
}

void TestDownloadRules::safeName()
{
    QFETCH(QString, suggested);
    QFETCH(QString, safe);
    QCOMPARE(safeFileName(suggested), safe);
}

void TestDownloadRules::longNameKeepsExtension_data()
{
    QTest::addColumn<QString>("suggested");
    QTest::addColumn<QString>("expected");

    QTest::newRow("1000 characters")
            << QString(996, QLatin1Char('a')) + ".pdf" << QString(116, QLatin1Char('a')) + ".pdf";
    QTest::newRow("no extension") << QString(1000, QLatin1Char('b')) << QString(120, QLatin1Char('b'));
    QTest::newRow("overlong extension is cut")
            << "x." + QString(300, QLatin1Char('c')) << "x." + QString(118, QLatin1Char('c'));
    QTest::newRow("exactly the limit")
            << QString(116, QLatin1Char('d')) + ".pdf" << QString(116, QLatin1Char('d')) + ".pdf";
    // 📄 takes two UTF-16 units; a cut between them would leave a broken character.
    QTest::newRow("surrogate pair at the cut")
            << "a" + QString::fromUtf8("📄").repeated(100) + ".pdf"
            << "a" + QString::fromUtf8("📄").repeated(57) + ".pdf";
}

void TestDownloadRules::longNameKeepsExtension()
{
    QFETCH(QString, suggested);
    QFETCH(QString, expected);
    const QString safe = safeFileName(suggested);
    QCOMPARE(safe, expected);
    QVERIFY(safe.size() <= MaximumSafeNameLength);
}

void TestDownloadRules::handOverRefusal_data()
{
    QTest::addColumn<QString>("page");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("reason"); // empty: opened or printed

    const QString start = QStringLiteral("https://quenza.example/app/labels");
    const QString trusted = QStringLiteral("https://sso.example.com:8443/login");
    const QString untrusted = QStringLiteral("https://attacker.invalid/");
    const QString program = QStringLiteral("runs as a program");
    QTest::newRow("start page, document") << start << "report.pdf" << "";
    QTest::newRow("trusted origin, document") << trusted << "label.pdf" << "";
    QTest::newRow("other origin") << untrusted << "report.pdf" << "untrusted page";
    QTest::newRow("start host, other port") << "https://quenza.example:8443/" << "report.pdf" << "untrusted page";
    QTest::newRow("start host, plain http") << "http://quenza.example/" << "report.pdf" << "untrusted page";
    QTest::newRow("no page") << "" << "report.pdf" << "untrusted page";
    QTest::newRow("other origin, program") << untrusted << "payload.exe" << "untrusted page";
    QTest::newRow("exe") << start << "payload.exe" << program;
    QTest::newRow("upper case") << trusted << "PAYLOAD.EXE" << program;
    QTest::newRow("trailing dot") << start << "a.exe." << program;
    QTest::newRow("trailing space") << start << "a.exe " << program;
    QTest::newRow("trailing dots and spaces") << start << "a.exe. . " << program;
    QTest::newRow("folders before it") << start << "..\\..\\a.exe" << program;
    QTest::newRow("right-to-left override") << start << QString::fromUtf8("invoice\u202Efdp.exe") << program;
    QTest::newRow("document name before it") << start << "report.pdf.exe" << program;
    QTest::newRow("long name") << start << QString(300, QLatin1Char('a')) + ".scr" << program;
    QTest::newRow("desktop launcher") << start << "setup.desktop" << program;
    QTest::newRow("shell script") << start << "run.sh" << program;
    QTest::newRow("batch file") << start << "run.bat" << program;
    QTest::newRow("command script") << start << "job.CMD" << program;
    QTest::newRow("html application") << start << "update.hta" << program;
    QTest::newRow("program name before a document's") << start << "payload.exe.pdf" << "";
    QTest::newRow("upper-case document") << start << "REPORT.PDF" << "";
    QTest::newRow("measurements") << start << "densities.csv" << "";
    QTest::newRow("no extension") << start << "readme" << "";
    QTest::newRow("extension only, hidden") << start << ".exe" << "";
}

void TestDownloadRules::handOverRefusal()
{
    QFETCH(QString, page);
    QFETCH(QString, name);
    QFETCH(QString, reason);
    const OriginPolicy policy(QUrl(QStringLiteral("https://quenza.example/quenzamirel/login")),
                              QStringLiteral("https://sso.example.com:8443"));
    QCOMPARE(QString::fromLatin1(::handOverRefusal(policy, QUrl(page), name)), reason);
}

void TestDownloadRules::leftoverFilterTakesNamesLiterally_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("present");
    QTest::addColumn<QStringList>("matched");

    QTest::newRow("plain") << "{1}_a.pdf" << QStringList{ "{1}_a.pdf", "{1}_a.pdf.crdownload", "{2}_a.pdf", "x{1}_a.pdf" }
                           << QStringList{ "{1}_a.pdf", "{1}_a.pdf.crdownload" };
    QTest::newRow("brackets") << "{1}_a[1].pdf" << QStringList{ "{1}_a[1].pdf", "{1}_a[1].pdf.part", "{1}_a1.pdf", "{1}_a].pdf" }
                              << QStringList{ "{1}_a[1].pdf", "{1}_a[1].pdf.part" };
    QTest::newRow("wildcards") << "{1}_a*b?.pdf" << QStringList{ "{1}_a*b?.pdf", "{1}_axxby.pdf", "{1}_a*bc.pdf" }
                               << QStringList{ "{1}_a*b?.pdf" };
    QTest::newRow("letter case") << "{1}_A.pdf" << QStringList{ "{1}_A.pdf", "{1}_a.pdf" } << QStringList{ "{1}_A.pdf" };
}

void TestDownloadRules::leftoverFilterTakesNamesLiterally()
{
    QFETCH(QString, name);
    QFETCH(QStringList, present);
    QFETCH(QStringList, matched);
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    for (const QString &file : present)
        QVERIFY(QFile(folder.filePath(file)).open(QIODevice::WriteOnly));
    const QStringList found = QDir(folder.path()).entryList({ startsWithNameFilter(name) },
                                                            QDir::Files | QDir::CaseSensitive, QDir::Name);
    QCOMPARE(found, matched);
}

void TestDownloadRules::temporaryPathShape()
{
    const QString path = temporaryDownloadPath(QStringLiteral("../a&b.pdf"));
    const QString prefix = QDir::tempPath() + QLatin1Char('/');
    QVERIFY2(path.startsWith(prefix), qPrintable(path));
    const QRegularExpression shape(QStringLiteral(
            "^\\{[0-9a-f]{8}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{12}\\}_ab\\.pdf$"));
    QVERIFY2(shape.match(path.mid(prefix.size())).hasMatch(), qPrintable(path));
}

void TestDownloadRules::temporaryPathsDiffer()
{
    QVERIFY(temporaryDownloadPath(QStringLiteral("a.pdf")) != temporaryDownloadPath(QStringLiteral("a.pdf")));
}

void TestDownloadRules::earlierRunsLeaveOnlyTheirOwnFiles_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("removed");
    const QString uuid = QStringLiteral("{0f8fad5b-d9cb-469f-a165-70867728950e}");
    QTest::newRow("a copy") << QFileInfo(temporaryDownloadPath(QStringLiteral("label.pdf"))).fileName() << true;
    QTest::newRow("the engine's partial file") << uuid + "_label.pdf.part" << true;
    QTest::newRow("brackets in the name") << uuid + "_[1].pdf" << true;
    QTest::newRow("another program's file") << "report.pdf" << false;
    QTest::newRow("upper-case uuid") << "{0F8FAD5B-D9CB-469F-A165-70867728950E}_label.pdf" << false;
    QTest::newRow("no braces") << uuid.mid(1, 36) + "_label.pdf" << false;
    QTest::newRow("no name") << uuid + "_" << false;
    QTest::newRow("no underscore") << uuid + "label.pdf" << false;
    QTest::newRow("not a uuid") << "{0f8fad5b-d9cb-469f-a165-70867728950x}_label.pdf" << false;
}

void TestDownloadRules::earlierRunsLeaveOnlyTheirOwnFiles()
{
    QFETCH(QString, name);
    QFETCH(bool, removed);
    QTemporaryDir folder;
    QFile file(folder.filePath(name));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    QCOMPARE(PendingRemovals::removeEarlierRuns(folder.path()), removed ? 1 : 0);
    QCOMPARE(file.exists(), !removed);
}

void TestDownloadRules::printCommandPerPlatform_data()
{
    QTest::addColumn<Platform>("platform");
    QTest::addColumn<QString>("program");
    QTest::addColumn<QStringList>("arguments");

    const QString path = QStringLiteral("C:/Users/Ana/AppData/Local/Temp/{x}_a b.pdf");
    QTest::newRow("windows") << Platform::Windows << "cmd"
                             << QStringList{ "/c", "start", "", "/WAIT",
                                             "C:\\Users\\Ana\\AppData\\Local\\Temp\\{x}_a b.pdf" };
    QTest::newRow("unix") << Platform::Unix << "lp" << QStringList{ path };
}

void TestDownloadRules::printCommandPerPlatform()
{
    QFETCH(Platform, platform);
    QFETCH(QString, program);
    QFETCH(QStringList, arguments);
    const PrintCommand command =
            printCommand(QStringLiteral("C:/Users/Ana/AppData/Local/Temp/{x}_a b.pdf"), platform);
    QCOMPARE(command.program, program);
    QCOMPARE(command.arguments, arguments);
}

void TestDownloadRules::openCommand_data()
{
    QTest::addColumn<QString>("xdgOpen");
    QTest::addColumn<bool>("sandboxed");
    QTest::addColumn<QStringList>("command");

    // A file name that a plain path in a URL would cut at '#' or misread at '%'.
    QTest::newRow("desktop's opener")
            << "/usr/bin/xdg-open" << false
            << QStringList{ "/usr/bin/xdg-open", "file:///tmp/%7Bx%7D_relev%C3%A9%20%231%20100%25.pdf" };
    QTest::newRow("no opener: the toolkit's way") << "" << false << QStringList();
    QTest::newRow("sandbox: the portal's way") << "/usr/bin/xdg-open" << true << QStringList();
}

void TestDownloadRules::openCommand()
{
    QFETCH(QString, xdgOpen);
    QFETCH(bool, sandboxed);
    QFETCH(QStringList, command);
    const QString path = QString::fromUtf8("/tmp/{x}_relevé #1 100%.pdf");
    const QStringList made = xdgOpenCommand(path, xdgOpen, sandboxed);
    QCOMPARE(made, command);
    if (!made.isEmpty())
        QCOMPARE(QUrl(made.last()).toLocalFile(), path);
}

void TestDownloadRules::windowsCommandLineQuotesTheFile_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("commandLine");

    QTest::newRow("no spaces") << "C:/Temp/{1}_a.pdf" << "/c start \"\" /WAIT \"C:\\Temp\\{1}_a.pdf\"";
    QTest::newRow("spaces") << "C:/My Temp/{1}_a b.pdf"
                            << "/c start \"\" /WAIT \"C:\\My Temp\\{1}_a b.pdf\"";
    QTest::newRow("sanitised hostile name")
            << "C:/Temp/{1}_" + safeFileName(QStringLiteral("a&calc.pdf"))
            << "/c start \"\" /WAIT \"C:\\Temp\\{1}_acalc.pdf\"";
}

void TestDownloadRules::windowsCommandLineQuotesTheFile()
{
    QFETCH(QString, path);
    QFETCH(QString, commandLine);
    QCOMPARE(windowsCommandLine(printCommand(path, Platform::Windows).arguments), commandLine);
}

MIREL_TEST_MAIN(TestDownloadRules)
#include "tst_downloadrules.moc"
