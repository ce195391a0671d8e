#include "simulatorharness.h"
#include "support/commalocale.h"
#include "support/isolatedenvironment.h"

#include <QApplication>
#include <QDateTime>
#include <QtTest>

#include <array>
#include <clocale>
#include <functional>
#include <locale>

using Call = std::function<void(InstrumentSdk &, const QVector<I1Pro3DeviceHandle> &)>;
Q_DECLARE_METATYPE(Call)

namespace {
using Densities = std::array<float, 4>;

// A decimal comma for C++ streams, the way a German desktop has it.
struct CommaNumpunct final : std::numpunct<char>
{
    char do_decimal_point() const override { return ','; }
};

// Gives the C library or C++ streams a decimal-comma locale, and puts back the old one.
class DecimalCommaLocale final
{
public:
    enum Layer { CLibrary, CppStreams };

    explicit DecimalCommaLocale(Layer layer)
        : m_cLocale(std::setlocale(LC_NUMERIC, nullptr))
    {
        if (layer == CppStreams) {
            // The locale owns the facet and deletes it with its last copy.
            std::locale::global(std::locale(std::locale::classic(), new CommaNumpunct));
            return;
        }
        for (const char *name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "German_Germany.1252"}) {
            if (std::setlocale(LC_NUMERIC, name))
                return;
        }
    }
    ~DecimalCommaLocale()
    {
        std::setlocale(LC_NUMERIC, m_cLocale.c_str());
        std::locale::global(m_cppLocale);
    }
    DecimalCommaLocale(const DecimalCommaLocale &) = delete;
    DecimalCommaLocale &operator=(const DecimalCommaLocale &) = delete;

    bool isActive(Layer layer) const
    {
        if (layer == CLibrary)
            return *std::localeconv()->decimal_point == ',';
        return std::use_facet<std::numpunct<char>>(std::locale()).decimal_point() == ',';
    }

private:
    const std::string m_cLocale;
    const std::locale m_cppLocale;
};
} // namespace
Q_DECLARE_METATYPE(DecimalCommaLocale::Layer)

class SimulatorMeasurementTest final : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QVERIFY(m_harness.isReady());
        QVERIFY2(provideCommaLocale(), "localedef could not build de_DE.UTF-8");
    }
    void init();
    void calibrates_data();
    void calibrates();
    void goodCalibrationClearsTheFailure();
    void reportsDensities_data();
    void reportsDensities();
    void readsDensitiesUnderDecimalCommaLocale_data();
    void readsDensitiesUnderDecimalCommaLocale();
    void journalsEachCall_data();
    void journalsEachCall();
    void journalMovesWithTheControlFile();
    void journalStampsWallClockWhenAsked();

private:
    Densities measure(I1Pro3DeviceHandle device);

    SimulatorHarness m_harness;
};

void SimulatorMeasurementTest::init()
{
    m_harness.configure({});
    m_harness.list();
    m_harness.clearJournal();
}

Densities SimulatorMeasurementTest::measure(I1Pro3DeviceHandle device)
{
    Densities densities;
    densities.fill(-7.f);
    int32_t index = 0;
    if (m_harness.sdk().triggerMeasurement(device) != 0
        || m_harness.sdk().getDensities(device, densities.data(), &index, 0) != 0)
        densities.fill(-99.f);
    return densities;
}

void SimulatorMeasurementTest::calibrates_data()
{
    QTest::addColumn<QByteArrayList>("lines");
    QTest::addColumn<bool>("succeeds");
    QTest::addColumn<QByteArray>("lastError");

    const QByteArray failing = "MIREL_SIM_CALIBRATION=fail";
    QTest::newRow("default") << QByteArrayList{} << true << QByteArray("NoError");
    QTest::newRow("ok") << QByteArrayList{"MIREL_SIM_CALIBRATION=ok"} << true << QByteArray("NoError");
    QTest::newRow("other word") << QByteArrayList{"MIREL_SIM_CALIBRATION=maybe"} << true << QByteArray("NoError");
    QTest::newRow("fail") << QByteArrayList{failing} << false << QByteArray("CalibrationFailed");
    QTest::newRow("fail with text") << QByteArrayList{failing, "MIREL_SIM_LAST_ERROR=Lamp too weak"} << false
                                    << QByteArray("Lamp too weak");
    QTest::newRow("fail over option")
        << QByteArrayList{failing, "MIREL_SIM_LAST_ERROR=Tile dirty", "MIREL_SIM_OPTIONS=LastError=Warming up"}
        << false << QByteArray("Tile dirty");
    QTest::newRow("ok keeps option") << QByteArrayList{"MIREL_SIM_OPTIONS=LastError=Warming up"} << true
                                     << QByteArray("Warming up");
}

void SimulatorMeasurementTest::calibrates()
{
    QFETCH(QByteArrayList, lines);
    QFETCH(bool, succeeds);
    QFETCH(QByteArray, lastError);

    const auto device = m_harness.plugIn(lines).first();
    m_harness.clearJournal();
    QCOMPARE(m_harness.sdk().calibrate(device) == 0, succeeds);
    QCOMPARE(m_harness.journal(), QByteArrayList{succeeds ? "Calibrate 1 ok" : "Calibrate 1 fail"});
    QCOMPARE(m_harness.option(device, "LastError"), std::optional(lastError));
}

void SimulatorMeasurementTest::goodCalibrationClearsTheFailure()
{
    const auto device = m_harness.plugIn({"MIREL_SIM_CALIBRATION=fail"}).first();
    QVERIFY(m_harness.sdk().calibrate(device) != 0);
    QCOMPARE(m_harness.option(device, "LastError"), std::optional<QByteArray>("CalibrationFailed"));

    m_harness.configure({});
    QCOMPARE(m_harness.list(), QVector<I1Pro3DeviceHandle>{device});
    QCOMPARE(m_harness.sdk().calibrate(device), 0);
    QCOMPARE(m_harness.option(device, "LastError"), std::optional<QByteArray>("NoError"));
}

void SimulatorMeasurementTest::reportsDensities_data()
{
    QTest::addColumn<QByteArray>("configured");
    QTest::addColumn<Densities>("expected");

    const Densities standard = {1.42f, 0.87f, 0.96f, 1.73f};
    QTest::newRow("default") << QByteArray() << standard;
    QTest::newRow("configured") << QByteArray("0.05,1.5,0.98,2.25") << Densities{0.05f, 1.5f, 0.98f, 2.25f};
    QTest::newRow("negative") << QByteArray("-0.12,0,-1.5,3") << Densities{-0.12f, 0.f, -1.5f, 3.f};
    QTest::newRow("spaces") << QByteArray(" 0.1 , 0.2,0.3 ,0.4 ") << Densities{0.1f, 0.2f, 0.3f, 0.4f};
    QTest::newRow("exponents") << QByteArray("1e-2,2.5E1,3,4") << Densities{0.01f, 25.f, 3.f, 4.f};
    QTest::newRow("three") << QByteArray("1,2,3") << standard;
    QTest::newRow("five") << QByteArray("1,2,3,4,5") << standard;
    QTest::newRow("empty part") << QByteArray("1,,3,4") << standard;
    QTest::newRow("decimal commas") << QByteArray("0,5;0,6;0,7;0,8") << standard;
    QTest::newRow("text") << QByteArray("1,2,3,x") << standard;
    QTest::newRow("trailing text") << QByteArray("1,2,3,4mm") << standard;
}

void SimulatorMeasurementTest::reportsDensities()
{
    QFETCH(QByteArray, configured);
    QFETCH(Densities, expected);

    const auto device = m_harness.plugIn({"MIREL_SIM_DENSITIES=" + configured}).first();
    QCOMPARE(measure(device), expected);
}

void SimulatorMeasurementTest::readsDensitiesUnderDecimalCommaLocale_data()
{
    QTest::addColumn<DecimalCommaLocale::Layer>("layer");

    QTest::newRow("C library") << DecimalCommaLocale::CLibrary;
    QTest::newRow("C++ streams") << DecimalCommaLocale::CppStreams;
}

void SimulatorMeasurementTest::readsDensitiesUnderDecimalCommaLocale()
{
    QFETCH(DecimalCommaLocale::Layer, layer);

    const DecimalCommaLocale locale(layer);
    QVERIFY(locale.isActive(layer));
    const auto device = m_harness.plugIn({"MIREL_SIM_DENSITIES=0.25,1.5,0.75,2.125"}).first();
    QCOMPARE(measure(device), (Densities{0.25f, 1.5f, 0.75f, 2.125f}));
}

void SimulatorMeasurementTest::journalsEachCall_data()
{
    QTest::addColumn<QByteArrayList>("lines");
    QTest::addColumn<Call>("call");
    QTest::addColumn<QByteArray>("line");

    using Handle = I1Pro3DeviceHandle;
    const auto onFirst = [](auto operation) {
        return Call([operation](InstrumentSdk &sdk, const QVector<Handle> &handles) {
            operation(sdk, handles.first());
        });
    };
    const QByteArrayList one;
    const QByteArrayList two{"MIREL_SIM_DEVICES=2"};

    QTest::newRow("listing") << two << Call([](InstrumentSdk &sdk, const QVector<Handle> &) {
        Handle *devices = nullptr;
        uint32_t count = 0;
        sdk.getDevices(&devices, &count);
    }) << QByteArray("GetDevices 2");
    QTest::newRow("open first") << one << onFirst([](InstrumentSdk &sdk, Handle h) { sdk.openDevice(h); })
                                << QByteArray("OpenDevice 1");
    QTest::newRow("open second") << two
                                 << Call([](InstrumentSdk &sdk, const QVector<Handle> &h) { sdk.openDevice(h.last()); })
                                 << QByteArray("OpenDevice 2");
    QTest::newRow("close first") << one << onFirst([](InstrumentSdk &sdk, Handle h) { sdk.closeDevice(h); })
                                 << QByteArray("CloseDevice 1");
    QTest::newRow("close null") << one << onFirst([](InstrumentSdk &sdk, Handle) { sdk.closeDevice(nullptr); })
                                << QByteArray("CloseDevice null");
    QTest::newRow("set option")
        << one << onFirst([](InstrumentSdk &sdk, Handle h) { sdk.setOption(h, "Colorimetric.WhiteBase", "Absolute"); })
        << QByteArray("SetOption 1 Colorimetric.WhiteBase=Absolute");
    QTest::newRow("get option")
        << one << onFirst([](InstrumentSdk &sdk, Handle h) { sdk.getOption(h, "SerialNumber"); })
        << QByteArray("GetOptionD 1 SerialNumber");
    QTest::newRow("line break in key")
        << one << onFirst([](InstrumentSdk &sdk, Handle h) { sdk.getOption(h, "Two\nLines\\"); })
        << QByteArray("GetOptionD 1 Two\\x0aLines\\x5c");
    QTest::newRow("non-ASCII key") << one << onFirst([](InstrumentSdk &sdk, Handle h) { sdk.getOption(h, "Größe"); })
                                   << QByteArray("GetOptionD 1 Größe");
    QTest::newRow("calibrate") << one << onFirst([](InstrumentSdk &sdk, Handle h) { sdk.calibrate(h); })
                               << QByteArray("Calibrate 1 ok");
    QTest::newRow("calibrate failing") << QByteArrayList{"MIREL_SIM_CALIBRATION=fail"}
                                       << onFirst([](InstrumentSdk &sdk, Handle h) { sdk.calibrate(h); })
                                       << QByteArray("Calibrate 1 fail");
    QTest::newRow("trigger") << one << onFirst([](InstrumentSdk &sdk, Handle h) { sdk.triggerMeasurement(h); })
                             << QByteArray("TriggerMeasurement 1");
    QTest::newRow("densities") << one << onFirst([](InstrumentSdk &sdk, Handle h) {
        float densities[4];
        int32_t index = 0;
        sdk.getDensities(h, densities, &index, 0);
    }) << QByteArray("GetDensities 1");
    QTest::newRow("register") << one << onFirst([](InstrumentSdk &sdk, Handle) {
        sdk.registerDeviceEventHandler([](Handle, int32_t, void *) {}, nullptr);
    }) << QByteArray("RegisterDeviceEventHandler set");
    QTest::newRow("unregister")
        << one << onFirst([](InstrumentSdk &sdk, Handle) { sdk.registerDeviceEventHandler(nullptr, nullptr); })
        << QByteArray("RegisterDeviceEventHandler null");
}

void SimulatorMeasurementTest::journalsEachCall()
{
    QFETCH(QByteArrayList, lines);
    QFETCH(Call, call);
    QFETCH(QByteArray, line);

    const auto handles = m_harness.plugIn(lines);
    m_harness.clearJournal();
    call(m_harness.sdk(), handles);
    QCOMPARE(m_harness.journal(), QByteArrayList{line});
}

void SimulatorMeasurementTest::journalMovesWithTheControlFile()
{
    const QString moved = m_harness.filePath(QStringLiteral("moved.txt"));
    m_harness.configure({"MIREL_SIM_JOURNAL=" + QFile::encodeName(moved)});
    const auto device = m_harness.list().first();
    m_harness.sdk().openDevice(device);

    QFile file(moved);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("GetDevices 1\nOpenDevice 1\n"));
    QCOMPARE(m_harness.journal(), QByteArrayList{});
}

void SimulatorMeasurementTest::journalStampsWallClockWhenAsked()
{
    const QString stamped = m_harness.filePath(QStringLiteral("stamped.txt"));
    m_harness.configure({"MIREL_SIM_JOURNAL=" + QFile::encodeName(stamped), "MIREL_SIM_JOURNAL_CLOCK=1"});
    // Qt 6.8 and later round this clock to the nearest millisecond, so it can run up to half a
    // millisecond ahead of the microseconds the simulator stamps: allow a whole one either side.
    const qint64 before = QDateTime::currentMSecsSinceEpoch() * 1000 - 1000;
    const auto device = m_harness.list().first();
    m_harness.sdk().openDevice(device);
    const qint64 after = QDateTime::currentMSecsSinceEpoch() * 1000 + 1000;

    QFile file(stamped);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArrayList lines = file.readAll().trimmed().split('\n');
    QCOMPARE(lines.size(), 2);
    const QByteArrayList open = lines.last().split(' ');
    QCOMPARE(open.mid(1), (QByteArrayList{"OpenDevice", "1"}));
    const qint64 stamp = open.first().toLongLong();
    QVERIFY2(stamp >= before && stamp <= after, lines.last().constData());
}

MIREL_TEST_MAIN(SimulatorMeasurementTest)

#include "tst_simulatormeasurement.moc"
