#include "app/crashfiles.h"
#include "support/isolatedenvironment.h"

#include <QApplication>
#include <QtTest>

// The crash files' names as the handler writes them, which of them stay, and what the next
// start reads from them.
class CrashFilesTest final : public QObject
{
    Q_OBJECT
private slots:
    void namesAreTheUtcTime_data();
    void namesAreTheUtcTime();
    void newestFiveStay_data();
    void newestFiveStay();
    void summaryOfTheFirstLine_data();
    void summaryOfTheFirstLine();
};

void CrashFilesTest::namesAreTheUtcTime_data()
{
    QTest::addColumn<qint64>("seconds");
    QTest::addColumn<QString>("stem");
    QTest::newRow("epoch") << qint64(0) << "crash-1970-01-01T00-00-00Z";
    QTest::newRow("leap day, last second") << qint64(1709251199) << "crash-2024-02-29T23-59-59Z";
    QTest::newRow("century leap year's March") << qint64(951868800) << "crash-2000-03-01T00-00-00Z";
    QTest::newRow("past midnight, new year") << qint64(1798761600) << "crash-2027-01-01T00-00-00Z";
}

void CrashFilesTest::namesAreTheUtcTime()
{
    QFETCH(qint64, seconds);
    QFETCH(QString, stem);
    char written[CrashFiles::StemLength];
    CrashFiles::writeStem(seconds, written);
    QCOMPARE(QString::fromLatin1(written, sizeof written), stem);
    char time[CrashFiles::TimeLength];
    CrashFiles::writeTime(seconds, time);
    QCOMPARE(QDateTime::fromString(QString::fromLatin1(time, sizeof time), Qt::ISODate).toSecsSinceEpoch(), seconds);
}

void CrashFilesTest::newestFiveStay_data()
{
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QStringList>("removed");
    QTest::addColumn<QString>("newest");
    const QString newest = QStringLiteral("crash-2026-03-05T14-03-22Z.txt");
    const QStringList six{"crash-2025-12-31T23-59-59Z.txt", "crash-2026-03-05T14-03-22Z.txt",
                          "crash-2026-01-01T00-00-00Z.txt", "crash-2026-03-05T14-03-21Z.txt",
                          "crash-2026-02-10T08-00-00Z.txt", "crash-2026-03-01T09-30-00Z.txt"};
    QTest::newRow("six, the oldest goes") << six << QStringList{"crash-2025-12-31T23-59-59Z.txt"} << newest;
    QTest::newRow("with minidumps, both go")
        << (six + QStringList{"crash-2025-12-31T23-59-59Z.dmp", "crash-2026-03-05T14-03-22Z.dmp"})
        << QStringList{"crash-2025-12-31T23-59-59Z.txt", "crash-2025-12-31T23-59-59Z.dmp"} << newest;
    QTest::newRow("other files stay")
        << QStringList{"mirel.log", "crash-announced", "crash-2026-03-05T14-03-22Z.txt.bak", "crash-notes.txt"}
        << QStringList() << QString();
}

void CrashFilesTest::newestFiveStay()
{
    QFETCH(QStringList, names);
    QTEST(CrashFiles::toRemove(names), "removed");
    QTEST(CrashFiles::newest(names), "newest");
}

void CrashFilesTest::summaryOfTheFirstLine_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("utc"); // empty: no summary
    QTest::addColumn<QString>("cause");
    QTest::newRow("signal") << "Mirel 0.1.0 ended abnormally at 2026-03-05T14:03:22Z: signal 11 (SIGSEGV), address 0x0"
                            << "2026-03-05T14:03:22Z" << "signal 11";
    QTest::newRow("exception") << "Mirel 0.1.0 ended abnormally at 2026-01-01T00:00:00Z: exception 0xc0000005, address 0x1"
                               << "2026-01-01T00:00:00Z" << "exception 0xc0000005";
    QTest::newRow("cut short") << "Mirel 0.1.0 ended abnormally at 2026-01-01T00:00" << "" << "";
    QTest::newRow("something else") << "Segmentation fault" << "" << "";
}

void CrashFilesTest::summaryOfTheFirstLine()
{
    QFETCH(QString, line);
    QFETCH(QString, utc);
    const std::optional<CrashFiles::Summary> summary = CrashFiles::readSummary(line);
    QCOMPARE(summary.has_value(), !utc.isEmpty());
    if (!summary)
        return;
    // Shown in local time, as the log's own stamps are.
    const QDateTime at = QDateTime::fromString(utc, Qt::ISODate);
    QCOMPARE(summary->at, at);
    QCOMPARE(summary->at.toString(Qt::ISODate), at.toLocalTime().toString(Qt::ISODate));
    QTEST(summary->cause, "cause");
}

MIREL_TEST_MAIN(CrashFilesTest)
#include "tst_crashfiles.moc"
