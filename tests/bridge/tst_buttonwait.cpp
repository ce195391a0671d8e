#include "bridge/buttonwait.h"
#include "fakeinstrumentsdk.h"
#include "support/isolatedenvironment.h"
#include "support/logcapture.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QtTest>

#include <thread>

using namespace std::chrono_literals;

// Presses arrive on a thread of the library's own; the wait must see each at the right moment.
class ButtonWaitTest final : public QObject
{
    Q_OBJECT
private slots:
    void pressBeforeFirstPollEndsWithoutSleeping();
    void pressDuringFirstPollEndsItAtOnce();
    void otherEventsAreIgnored();
    void nobodyPressing_data();
    void nobodyPressing();
    void cancelEndsRunningAndLaterWaits();
};

void ButtonWaitTest::pressBeforeFirstPollEndsWithoutSleeping()
{
    FakeInstrumentSdk sdk;
    sdk.setOnRegister([&sdk] { std::thread([&sdk] { sdk.deliverEvent(sdk::ButtonPressedEvent); }).join(); });
    ButtonWait wait(sdk);
    LogCapture log;
    QElapsedTimer elapsed;
    elapsed.start();

    QVERIFY(wait.waitForPress());

    QVERIFY2(elapsed.elapsed() < 50, qPrintable(QString::number(elapsed.elapsed())));
    QCOMPARE(log.lines(), (QStringList{"pressed", "0 JJ 1"}));
    QVERIFY(!sdk.hasHandler());
    QCOMPARE(sdk.journal(), (QStringList{"Register handler", "Register null"}));
}

void ButtonWaitTest::pressDuringFirstPollEndsItAtOnce()
{
    FakeInstrumentSdk sdk;
    std::thread presser;
    sdk.setOnRegister([&] {
        presser = std::thread([&sdk] {
            std::this_thread::sleep_for(30ms);
            sdk.deliverEvent(sdk::ButtonPressedEvent);
        });
    });
    ButtonWait wait(sdk);
    LogCapture log;
    QElapsedTimer elapsed;
    elapsed.start();

    const bool pressed = wait.waitForPress();
    const qint64 took = elapsed.elapsed();
    presser.join();

    QVERIFY(pressed);
    // The poll interval is 100 ms: the press must not wait for it to run out.
    QVERIFY2(took < 90, qPrintable(QString::number(took)));
    QCOMPARE(log.lines(), (QStringList{"pressed", "1 II 1", "1 JJ 1"}));
    QVERIFY(!sdk.hasHandler());
}

void ButtonWaitTest::otherEventsAreIgnored()
{
    FakeInstrumentSdk sdk;
    sdk.setOnRegister([&sdk] { std::thread([&sdk] { sdk.deliverEvent(2); }).join(); });
    ButtonWait wait(sdk, 1ms);
    LogCapture log;

    QVERIFY(!wait.waitForPress());
    QVERIFY(!log.lines().contains(QStringLiteral("pressed")));
    QCOMPARE(log.lines().last(), QStringLiteral("600 JJ 0"));
}

void ButtonWaitTest::nobodyPressing_data()
{
    QTest::addColumn<QString>("pressAfterLine");
    QTest::addColumn<bool>("pressed");
    QTest::addColumn<int>("polls");
    QTest::addColumn<QString>("lastLine");
    QTest::newRow("never") << "" << false << 600 << "600 JJ 0";
    QTest::newRow("after poll 599") << "599 II 0" << true << 599 << "599 JJ 1";
    QTest::newRow("after the last poll") << "600 II 0" << false << 600 << "600 JJ 1";
}

void ButtonWaitTest::nobodyPressing()
{
    QFETCH(QString, pressAfterLine);
    FakeInstrumentSdk sdk;
    ButtonWait wait(sdk, 1ms);
    LogCapture log;
    log.setOnLine([&](const QString &line) {
        if (line == pressAfterLine)
            std::thread([&sdk] { sdk.deliverEvent(sdk::ButtonPressedEvent); }).join();
    });

    QTEST(wait.waitForPress(), "pressed");

    const QStringList lines = log.lines();
    const auto polls = std::count_if(lines.cbegin(), lines.cend(), [](const QString &line) { return line.contains(" II "); });
    QTEST(int(polls), "polls");
    QTEST(lines.last(), "lastLine");
}

void ButtonWaitTest::cancelEndsRunningAndLaterWaits()
{
    FakeInstrumentSdk sdk;
    ButtonWait wait(sdk);
    LogCapture log;
    std::thread canceller([&wait] {
        std::this_thread::sleep_for(50ms);
        wait.cancel();
    });
    QElapsedTimer elapsed;
    elapsed.start();

    QVERIFY(!wait.waitForPress());
    canceller.join();
    QVERIFY2(elapsed.elapsed() < 150, qPrintable(QString::number(elapsed.elapsed())));
    QVERIFY(!sdk.hasHandler());

    elapsed.restart();
    QVERIFY(!wait.waitForPress());
    QVERIFY(elapsed.elapsed() < 50);
    QCOMPARE(log.lines().last(), QStringLiteral("0 JJ 0"));
}

MIREL_TEST_MAIN(ButtonWaitTest)
#include "tst_buttonwait.moc"
