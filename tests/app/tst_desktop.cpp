#include "app/logfilenote.h"
#include "app/singleinstance.h"
#include "settings/windowmemory.h"
#include "browser/windowfullscreen.h"
#include "support/isolatedenvironment.h"

#include <QApplication>
#include <QRegularExpression>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <QtTest>

using Rects = QList<QRect>;

// Where a kept window goes, how instances are named, full screen and the log file's note.
class DesktopTest final : public QObject
{
    Q_OBJECT
private slots:
    void placeOnScreens_data();
    void placeOnScreens();
    void instanceKeys_data();
    void instanceKeys();
    void fullScreenAndBack_data();
    void fullScreenAndBack();
    void logFileShownOnBundledPagesOnly();
};

void DesktopTest::placeOnScreens_data()
{
    QTest::addColumn<QRect>("kept");
    QTest::addColumn<Rects>("screens"); // usable areas, the primary first
    QTest::addColumn<QRect>("placed");
    const QRect primary(0, 0, 1920, 1040);
    const QRect right(1920, 0, 1280, 984);
    const QRect centred(510, 170, 900, 700);
    QTest::newRow("on the primary") << QRect(100, 80, 900, 700) << Rects{primary} << QRect(100, 80, 900, 700);
    QTest::newRow("on a second screen") << QRect(2000, 50, 800, 600) << Rects{primary, right} << QRect(2000, 50, 800, 600);
    QTest::newRow("its screen gone") << QRect(2000, 50, 900, 700) << Rects{primary} << centred;
    QTest::newRow("gone, larger than the primary") << QRect(2000, 0, 2560, 1400) << Rects{primary} << primary;
    QTest::newRow("200 px of its top edge left") << QRect(1720, 100, 900, 700) << Rects{primary} << QRect(1720, 100, 900, 700);
    QTest::newRow("40 px of its top edge left") << QRect(1880, 100, 900, 700) << Rects{primary} << centred;
    QTest::newRow("top edge above the screens") << QRect(100, -300, 900, 700) << Rects{primary} << centred;
    QTest::newRow("primary away from the origin") << QRect(0, 0, 800, 600) << Rects{right} << QRect(2160, 192, 800, 600);
    QTest::newRow("1x1 far off") << QRect(-99999, -99999, 1, 1) << Rects{primary} << QRect(760, 370, 400, 300);
    QTest::newRow("larger than any screen") << QRect(0, 0, 99999999, 99999999) << Rects{primary, right} << primary;
}

void DesktopTest::placeOnScreens()
{
    QFETCH(QRect, kept);
    QFETCH(Rects, screens);
    QTEST(WindowMemory::placeOnScreens(kept, screens), "placed");
}

void DesktopTest::instanceKeys_data()
{
    QTest::addColumn<QStringList>("first");  // user, session
    QTest::addColumn<QStringList>("second");
    QTest::addColumn<bool>("same");
    QTest::newRow("other user") << QStringList{"1000", ""} << QStringList{"1001", ""} << false;
    QTest::newRow("letters cased otherwise") << QStringList{"DOM\\Anne", "1"} << QStringList{"dom\\anne", "1"} << true;
    QTest::newRow("other session") << QStringList{"DOM\\anne", "1"} << QStringList{"DOM\\anne", "2"} << false;
    QTest::newRow("session not from the name") << QStringList{"anne@2", "1"} << QStringList{"anne", "2@1"} << false;
    QTest::newRow("beyond ASCII") << QStringList{"Jörg Müller", "1"} << QStringList{"Jorg Muller", "1"} << false;
}

void DesktopTest::instanceKeys()
{
    QFETCH(QStringList, first);
    QFETCH(QStringList, second);
    const QString a = SingleInstance::key(first.at(0), first.at(1));
    const QString b = SingleInstance::key(second.at(0), second.at(1));
    QTEST(a == b, "same");
    // A file name and a Windows pipe name whatever the user is called.
    static const QRegularExpression safe(QStringLiteral("^mirel-[A-Za-z0-9%._~@-]+$"));
    QVERIFY2(safe.match(a).hasMatch() && safe.match(b).hasMatch(), qPrintable(a + " " + b));
}

// Under Xvfb, without a window manager, full screen shows nothing: the window's state is checked.
void DesktopTest::fullScreenAndBack_data()
{
    QTest::addColumn<Qt::WindowState>("before");
    QTest::newRow("from normal size") << Qt::WindowNoState;
    QTest::newRow("from maximized") << Qt::WindowMaximized;
}

void DesktopTest::fullScreenAndBack()
{
    QFETCH(Qt::WindowState, before);
    QWidget window;
    new WindowFullScreen(&window, (new QWebEngineView(&window))->page(), OriginPolicy(QUrl(), QString()));
    window.setWindowState(before);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    for (const Qt::Key leave : {Qt::Key_Escape, Qt::Key_F11}) {
        QTest::keyClick(&window, Qt::Key_F11);
        QVERIFY(window.isFullScreen());
        QTest::keyClick(&window, leave);
        QCOMPARE(window.windowState() & ~Qt::WindowActive, Qt::WindowStates(before));
    }
}

void DesktopTest::logFileShownOnBundledPagesOnly()
{
    const QString path = QStringLiteral("/logs/it's \\ \"here\".log");
    const QString other = QDir::temp().filePath("page.html");
    QFile page(other);
    QVERIFY(page.open(QIODevice::WriteOnly));
    page.write(R"(<!doctype html><p id="log-file">not shown</p>)");
    page.close();
    for (const QUrl &url : {QUrl("qrc:///web/console.html"), QUrl::fromLocalFile(other)}) {
        QWebEnginePage web;
        showLogFileOnBundledPages(&web, path);
        QSignalSpy loaded(&web, &QWebEnginePage::loadFinished);
        web.load(url);
        QVERIFY(loaded.wait(20000));
        QString shown;
        web.runJavaScript("document.getElementById('log-file').textContent",
                          [&shown](const QVariant &text) { shown = text.toString(); });
        QTRY_VERIFY(!shown.isEmpty());
        QCOMPARE(shown, url.isLocalFile() ? QStringLiteral("not shown") : path);
    }
}

MIREL_TEST_MAIN(DesktopTest)
#include "tst_desktop.moc"
