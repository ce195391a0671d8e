#include "simulatorharness.h"
#include "support/isolatedenvironment.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QtTest>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

namespace {
using namespace std::chrono_literals;

// What the library's thread handed to the handler. The handler may also call into the library,
// unregister itself, or linger, to check that the library copes with each.
struct Recorder
{
    QList<int> events() const
    {
        const std::lock_guard lock(mutex);
        return received;
    }

    InstrumentSdk *sdk = nullptr;
    bool unregistersItself = false;
    std::chrono::milliseconds linger{0};
    QElapsedTimer sinceRegistration;

    mutable std::mutex mutex;
    QList<int> received;
    QList<I1Pro3DeviceHandle> devices;
    QList<std::thread::id> threads;
    qint64 firstCallNs = -1;
    std::atomic<int> started{0};
    std::atomic<int> finished{0};
};

void record(I1Pro3DeviceHandle device, int32_t event, void *context)
{
    auto &recorder = *static_cast<Recorder *>(context);
    ++recorder.started;
    {
        const std::lock_guard lock(recorder.mutex);
        if (recorder.received.isEmpty())
            recorder.firstCallNs = recorder.sinceRegistration.nsecsElapsed();
        recorder.received << event;
        recorder.devices << device;
        recorder.threads << std::this_thread::get_id();
    }
    if (recorder.sdk) {
        recorder.sdk->getOption(device, "SerialNumber");
        if (recorder.unregistersItself)
            recorder.sdk->registerDeviceEventHandler(nullptr, nullptr);
    }
    std::this_thread::sleep_for(recorder.linger);
    ++recorder.finished;
}

bool waitFor(const std::atomic<int> &counter, int value)
{
    for (int waited = 0; counter < value && waited < 2000; ++waited)
        std::this_thread::sleep_for(1ms);
    return counter >= value;
}
} // namespace

class SimulatorEventsTest final : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY(m_harness.isReady()); }
    void init();
    void cleanup() { m_harness.sdk().registerDeviceEventHandler(nullptr, nullptr); }
    void pressesFromAThreadOfItsOwn_data();
    void pressesFromAThreadOfItsOwn();
    void pressesNothing_data();
    void pressesNothing();
    void reRegistrationReplacesTheHandler();
    void unregisteringWaitsForTheRunningHandler();
    void handlerMayUnregisterItself();
    void noCallOnceUnregisteredAfterManyRaces();

private:
    void registerHandler(Recorder &recorder)
    {
        recorder.sinceRegistration.start();
        QCOMPARE(m_harness.sdk().registerDeviceEventHandler(record, &recorder), 0);
    }

    SimulatorHarness m_harness;
};

void SimulatorEventsTest::init()
{
    m_harness.configure({});
    m_harness.list();
    m_harness.clearJournal();
}

void SimulatorEventsTest::pressesFromAThreadOfItsOwn_data()
{
    QTest::addColumn<QByteArrayList>("lines");
    QTest::addColumn<int>("delayMs");
    QTest::addColumn<QList<int>>("events");
    QTest::addColumn<QByteArrayList>("journal");

    const QByteArray registered = "RegisterDeviceEventHandler set";
    QTest::newRow("at once") << QByteArrayList{"MIREL_SIM_PRESS_AFTER_MS=0"} << 0 << QList<int>{1}
                             << QByteArrayList{registered, "Press"};
    QTest::newRow("after 120 ms") << QByteArrayList{"MIREL_SIM_PRESS_AFTER_MS=120"} << 120 << QList<int>{1}
                                  << QByteArrayList{registered, "Press"};
    QTest::newRow("other event first")
        << QByteArrayList{"MIREL_SIM_PRESS_AFTER_MS=30", "MIREL_SIM_EVENT_BEFORE_PRESS=7"} << 30 << QList<int>{7, 1}
        << QByteArrayList{registered, "Event 7", "Press"};
    QTest::newRow("second instrument listed")
        << QByteArrayList{"MIREL_SIM_PRESS_AFTER_MS=0", "MIREL_SIM_DEVICES=2"} << 0 << QList<int>{1}
        << QByteArrayList{registered, "Press"};
}

void SimulatorEventsTest::pressesFromAThreadOfItsOwn()
{
    QFETCH(QByteArrayList, lines);
    QFETCH(int, delayMs);
    QFETCH(QList<int>, events);
    QFETCH(QByteArrayList, journal);

    const auto handles = m_harness.plugIn(lines);
    m_harness.clearJournal();
    Recorder recorder;
    registerHandler(recorder);
    QTRY_COMPARE_WITH_TIMEOUT(recorder.events(), events, 3000);
    // One press per registration: nothing follows.
    QTest::qWait(100);
    QCOMPARE(recorder.events(), events);

    const std::lock_guard lock(recorder.mutex);
    QVERIFY2(recorder.firstCallNs >= delayMs * 1000000LL, qPrintable(QString::number(recorder.firstCallNs)));
    for (const auto device : recorder.devices)
        QCOMPARE(device, handles.first());
    for (const auto thread : recorder.threads)
        QVERIFY(thread != std::this_thread::get_id());
    QCOMPARE(m_harness.journal(), journal);
}

void SimulatorEventsTest::pressesNothing_data()
{
    QTest::addColumn<QByteArrayList>("lines");
    QTest::addColumn<bool>("unregisterAtOnce");

    QTest::newRow("unregistered before the press") << QByteArrayList{"MIREL_SIM_PRESS_AFTER_MS=150"} << true;
    QTest::newRow("nobody presses") << QByteArrayList{} << false;
    QTest::newRow("unreadable delay") << QByteArrayList{"MIREL_SIM_PRESS_AFTER_MS=soon"} << false;
    QTest::newRow("negative delay") << QByteArrayList{"MIREL_SIM_PRESS_AFTER_MS=-5"} << false;
    QTest::newRow("instrument unplugged")
        << QByteArrayList{"MIREL_SIM_PRESS_AFTER_MS=0", "MIREL_SIM_DEVICES=0"} << false;
}

void SimulatorEventsTest::pressesNothing()
{
    QFETCH(QByteArrayList, lines);
    QFETCH(bool, unregisterAtOnce);

    m_harness.plugIn(lines);
    Recorder recorder;
    registerHandler(recorder);
    if (unregisterAtOnce)
        QCOMPARE(m_harness.sdk().registerDeviceEventHandler(nullptr, nullptr), 0);
    QTest::qWait(300);
    QCOMPARE(recorder.events(), QList<int>{});
}

void SimulatorEventsTest::reRegistrationReplacesTheHandler()
{
    m_harness.plugIn({"MIREL_SIM_PRESS_AFTER_MS=150"});
    Recorder replaced;
    Recorder current;
    registerHandler(replaced);
    QTest::qWait(100);
    registerHandler(current);

    QTRY_COMPARE_WITH_TIMEOUT(current.events(), QList<int>{1}, 3000);
    // The delay starts again with the new registration.
    QVERIFY(current.firstCallNs >= 150 * 1000000LL);
    QTest::qWait(100);
    QCOMPARE(replaced.events(), QList<int>{});
    QCOMPARE(current.events(), QList<int>{1});
}

void SimulatorEventsTest::unregisteringWaitsForTheRunningHandler()
{
    m_harness.plugIn({"MIREL_SIM_PRESS_AFTER_MS=0"});
    Recorder recorder;
    recorder.sdk = &m_harness.sdk();
    recorder.linger = 400ms;
    registerHandler(recorder);
    QVERIFY(waitFor(recorder.started, 1));
    QCOMPARE(recorder.finished.load(), 0);

    // The handler calls into the library meanwhile; that must not deadlock the unregistering.
    QCOMPARE(m_harness.sdk().registerDeviceEventHandler(nullptr, nullptr), 0);
    QCOMPARE(recorder.finished.load(), 1);
}

void SimulatorEventsTest::handlerMayUnregisterItself()
{
    const auto device = m_harness.plugIn({"MIREL_SIM_PRESS_AFTER_MS=0", "MIREL_SIM_EVENT_BEFORE_PRESS=7"}).first();
    m_harness.clearJournal();
    Recorder recorder;
    recorder.sdk = &m_harness.sdk();
    recorder.unregistersItself = true;
    registerHandler(recorder);
    QVERIFY(waitFor(recorder.finished, 1));
    QTest::qWait(100);
    QCOMPARE(recorder.events(), QList<int>{7});
    QCOMPARE(m_harness.journal(), (QByteArrayList{"RegisterDeviceEventHandler set", "Event 7",
                                                  "GetOptionD 1 SerialNumber", "RegisterDeviceEventHandler null"}));

    // Presses still arrive for the next registration.
    Recorder next;
    registerHandler(next);
    QTRY_COMPARE_WITH_TIMEOUT(next.events(), (QList<int>{7, 1}), 3000);
    for (const auto handed : next.devices)
        QCOMPARE(handed, device);
}

void SimulatorEventsTest::noCallOnceUnregisteredAfterManyRaces()
{
    m_harness.plugIn({"MIREL_SIM_PRESS_AFTER_MS=0", "MIREL_SIM_EVENT_BEFORE_PRESS=7"});
    Recorder recorder;
    recorder.sdk = &m_harness.sdk();
    for (int round = 0; round < 200; ++round) {
        registerHandler(recorder);
        // Every other round the delivery gets a head start, so cancels land at different points.
        if (round % 2)
            std::this_thread::sleep_for(std::chrono::microseconds(round * 5));
        QCOMPARE(m_harness.sdk().registerDeviceEventHandler(nullptr, nullptr), 0);
        QCOMPARE(recorder.started.load(), recorder.finished.load());
    }
    const int calls = recorder.finished;
    QTest::qWait(50);
    QCOMPARE(recorder.started.load(), calls);
}

MIREL_TEST_MAIN(SimulatorEventsTest)

#include "tst_simulatorevents.moc"
