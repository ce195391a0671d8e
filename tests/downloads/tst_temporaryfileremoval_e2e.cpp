#include "support/isolatedenvironment.h"
#include "handoverfixture.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QDir>
#include <QFile>
#include <QUrl>
#include <QtTest>

// A copy handed to the viewer stays long enough to be read, about 30 s, and then goes; at the
// latest when the program ends, or at the next start.
class TestTemporaryFileRemoval final : public QObject
{
    Q_OBJECT

private slots:
    void removedAboutThirtySecondsAfterHandOver();
    void leftoversGoAtStartAndCopiesAtClose();
};

void TestTemporaryFileRemoval::removedAboutThirtySecondsAfterHandOver()
{
    HandOverFixture fixture;
    QVERIFY(fixture.ready());
    fixture.start(QStringLiteral("/doc.pdf?mode=open"));
    QTRY_COMPARE_WITH_TIMEOUT(fixture.calls(QStringLiteral("xdg-open")).size(), 1, 15000);
    QElapsedTimer sinceHandOver;
    sinceHandOver.start();
    const QString path = QUrl(fixture.calls(QStringLiteral("xdg-open")).first().value(0)).toLocalFile();
    QVERIFY(QFile::exists(path));

    QTest::qWait(25000);
    QVERIFY2(QFile::exists(path), "removed before the viewer had time to read it");
    QTRY_VERIFY_WITH_TIMEOUT(!QFile::exists(path), 12000);
    const qint64 removedAfter = sinceHandOver.elapsed();
    qDebug() << "removed" << removedAfter << "ms after the hand-over was seen";
    // Timers this long fire on whole seconds; the rest is the time to notice the hand-over.
    QVERIFY2(removedAfter >= 28000 && removedAfter <= 32000, qPrintable(QString::number(removedAfter)));
    QCOMPARE(fixture.temporaryDownloads(), QStringList());
    QCOMPARE(fixture.process().stop(), 0);
}

void TestTemporaryFileRemoval::leftoversGoAtStartAndCopiesAtClose()
{
    HandOverFixture fixture;
    QVERIFY(fixture.ready());
    const QDir temporary(fixture.process().tempDir());
    const QString leftover = temporary.filePath(QStringLiteral("{0f8fad5b-d9cb-469f-a165-70867728950e}_label.pdf"));
    const QString someoneElses = temporary.filePath(QStringLiteral("report.pdf"));
    for (const QString &path : {leftover, someoneElses}) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("left");
    }
    fixture.start(QStringLiteral("/doc.pdf?mode=open"));
    QTRY_COMPARE_WITH_TIMEOUT(fixture.calls(QStringLiteral("xdg-open")).size(), 1, 15000);
    const QString path = QUrl(fixture.calls(QStringLiteral("xdg-open")).first().value(0)).toLocalFile();
    QVERIFY(QFile::exists(path));
    QVERIFY(!QFile::exists(leftover));

    QCOMPARE(fixture.process().stop(), 0);
    QVERIFY(!QFile::exists(path));
    QCOMPARE(fixture.temporaryDownloads(), QStringList());
    QVERIFY(QFile::exists(someoneElses));
}

MIREL_TEST_MAIN(TestTemporaryFileRemoval)
#include "tst_temporaryfileremoval_e2e.moc"
