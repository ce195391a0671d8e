#include "simulatorharness.h"
#include "support/isolatedenvironment.h"

#include <QApplication>
#include <QSet>
#include <QtTest>

namespace {
enum class HandleKind { Null, Unplugged, NeverListed };
} // namespace
Q_DECLARE_METATYPE(HandleKind)

class SimulatorTest final : public QObject
{
    Q_OBJECT
public:
    SimulatorTest() : m_harness({"MIREL_SIM_SERIAL=ENV-5150"}) {}

private slots:
    void initTestCase() { QVERIFY(m_harness.isReady()); }
    void init();
    void listsConfiguredInstruments_data();
    void listsConfiguredInstruments();
    void keepsHandlesWhileListed();
    void rejectsUnknownHandles_data();
    void rejectsUnknownHandles();
    void readsOptions_data();
    void readsOptions();
    void keepsOptionsSetByTheProgram_data();
    void keepsOptionsSetByTheProgram();

private:
    SimulatorHarness m_harness;
};

void SimulatorTest::init()
{
    m_harness.configure({});
    m_harness.list();
    m_harness.clearJournal();
}

void SimulatorTest::listsConfiguredInstruments_data()
{
    QTest::addColumn<QByteArrayList>("lines");
    QTest::addColumn<int>("count");

    QTest::newRow("default") << QByteArrayList{} << 1;
    QTest::newRow("none") << QByteArrayList{"MIREL_SIM_DEVICES=0"} << 0;
    QTest::newRow("one") << QByteArrayList{"MIREL_SIM_DEVICES=1"} << 1;
    QTest::newRow("two") << QByteArrayList{"MIREL_SIM_DEVICES=2"} << 2;
    QTest::newRow("written on Windows") << QByteArrayList{" MIREL_SIM_DEVICES = 2 \r"} << 2;
    QTest::newRow("unreadable") << QByteArrayList{"MIREL_SIM_DEVICES=several"} << 1;
    QTest::newRow("negative") << QByteArrayList{"MIREL_SIM_DEVICES=-1"} << 1;
    QTest::newRow("comment ignored") << QByteArrayList{"# MIREL_SIM_DEVICES=0"} << 1;
    QTest::newRow("last line wins") << QByteArrayList{"MIREL_SIM_DEVICES=0", "MIREL_SIM_DEVICES=2"} << 2;
}

void SimulatorTest::listsConfiguredInstruments()
{
    QFETCH(QByteArrayList, lines);
    QFETCH(int, count);

    m_harness.configure(lines);
    const auto handles = m_harness.list();
    QCOMPARE(handles.size(), count);
    const QSet<I1Pro3DeviceHandle> distinct(handles.cbegin(), handles.cend());
    QCOMPARE(distinct.size(), count);
    QVERIFY(!distinct.contains(nullptr));
    QCOMPARE(m_harness.journal().last(), "GetDevices " + QByteArray::number(count));
}

void SimulatorTest::keepsHandlesWhileListed()
{
    const auto two = m_harness.plugIn({"MIREL_SIM_DEVICES=2"});
    QCOMPARE(m_harness.list(), two);
    m_harness.configure({"MIREL_SIM_DEVICES=1"});
    QCOMPARE(m_harness.list(), QVector<I1Pro3DeviceHandle>{two.first()});
    // A second instrument plugged in again is a new one, whose handle is new.
    m_harness.configure({"MIREL_SIM_DEVICES=2"});
    const auto again = m_harness.list();
    QCOMPARE(again.size(), 2);
    QCOMPARE(again.first(), two.first());
    QVERIFY(again.last() != two.last());
}

void SimulatorTest::rejectsUnknownHandles_data()
{
    QTest::addColumn<HandleKind>("kind");
    QTest::addColumn<QByteArray>("journalled");

    QTest::newRow("null") << HandleKind::Null << QByteArray("null");
    QTest::newRow("unplugged") << HandleKind::Unplugged << QByteArray("unknown");
    QTest::newRow("never listed") << HandleKind::NeverListed << QByteArray("unknown");
}

void SimulatorTest::rejectsUnknownHandles()
{
    QFETCH(HandleKind, kind);
    QFETCH(QByteArray, journalled);

    int notAnInstrument = 0;
    I1Pro3DeviceHandle device = kind == HandleKind::NeverListed ? &notAnInstrument : nullptr;
    if (kind == HandleKind::Unplugged) {
        device = m_harness.plugIn({}).first();
        m_harness.configure({"MIREL_SIM_DEVICES=0"});
        m_harness.list();
    }
    m_harness.clearJournal();

    auto &sdk = m_harness.sdk();
    QVERIFY(sdk.openDevice(device) != 0);
    QVERIFY(sdk.setOption(device, "MeasurementMode", "ReflectanceSpot") != 0);
    QCOMPARE(m_harness.option(device, "SerialNumber"), std::nullopt);
    QVERIFY(sdk.calibrate(device) != 0);
    QVERIFY(sdk.triggerMeasurement(device) != 0);
    float densities[4] = {-7.f, -7.f, -7.f, -7.f};
    int32_t index = 0;
    QVERIFY(sdk.getDensities(device, densities, &index, 0) != 0);
    for (const float density : densities)
        QCOMPARE(density, -7.f);
    QVERIFY(sdk.closeDevice(device) != 0);

    QCOMPARE(m_harness.journal(),
             (QByteArrayList{"OpenDevice " + journalled,
                             "SetOption " + journalled + " MeasurementMode=ReflectanceSpot",
                             "GetOptionD " + journalled + " SerialNumber", "Calibrate " + journalled + " fail",
                             "TriggerMeasurement " + journalled, "GetDensities " + journalled,
                             "CloseDevice " + journalled}));
}

void SimulatorTest::readsOptions_data()
{
    QTest::addColumn<QByteArrayList>("lines");
    QTest::addColumn<int>("instrument");
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<std::optional<QByteArray>>("expected");

    using Text = std::optional<QByteArray>;
    const QByteArrayList none;
    const QByteArrayList two{"MIREL_SIM_DEVICES=2"};
    const QByteArray modes = "MIREL_SIM_OPTIONS=AvailableMeasurementModes=ReflectanceSpot;EmissionSpot;LastError=Busy";
    const QByteArray umlauts = "MIREL_SIM_OPTIONS=Größe=groß";

    QTest::newRow("serial from environment") << none << 1 << QByteArray("SerialNumber") << Text("ENV-5150");
    QTest::newRow("serial from control file")
        << QByteArrayList{"MIREL_SIM_SERIAL=FILE-42"} << 1 << QByteArray("SerialNumber") << Text("FILE-42");
    QTest::newRow("second serial differs") << two << 2 << QByteArray("SerialNumber") << Text("ENV-5150-2");
    QTest::newRow("mode before calibration") << none << 1 << QByteArray("MeasurementMode") << Text("ReflectanceScan");
    QTest::newRow("no error") << none << 1 << QByteArray("LastError") << Text("NoError");
    QTest::newRow("modes") << none << 1 << QByteArray("AvailableMeasurementModes")
                           << Text("ReflectanceSpot;ReflectanceScan;EmissionSpot");
    QTest::newRow("overridden mode") << QByteArrayList{"MIREL_SIM_OPTIONS=MeasurementMode=EmissionSpot"} << 1
                                     << QByteArray("MeasurementMode") << Text("EmissionSpot");
    QTest::newRow("added key") << QByteArrayList{"MIREL_SIM_OPTIONS=Firmware=2.1;Colorimetric.Illumination=D50"} << 1
                               << QByteArray("Colorimetric.Illumination") << Text("D50");
    QTest::newRow("list value") << QByteArrayList{modes} << 1 << QByteArray("AvailableMeasurementModes")
                                << Text("ReflectanceSpot;EmissionSpot");
    QTest::newRow("key after list") << QByteArrayList{modes} << 1 << QByteArray("LastError") << Text("Busy");
    QTest::newRow("value with =") << QByteArrayList{"MIREL_SIM_OPTIONS=Note=a=b"} << 1 << QByteArray("Note")
                                  << Text("a=b");
    QTest::newRow("empty value") << QByteArrayList{"MIREL_SIM_OPTIONS=Note="} << 1 << QByteArray("Note") << Text("");
    QTest::newRow("non-ASCII") << QByteArrayList{umlauts} << 1 << QByteArray("Größe") << Text("groß");
    QTest::newRow("unknown key") << none << 1 << QByteArray("Colour") << Text();
    QTest::newRow("empty key") << none << 1 << QByteArray("") << Text();
    QTest::newRow("huge key") << none << 1 << QByteArray(100000, 'K') << Text();
    QTest::newRow("nulled") << QByteArrayList{"MIREL_SIM_NULL_OPTIONS=SerialNumber;LastError"} << 1
                            << QByteArray("LastError") << Text();
    QTest::newRow("not nulled") << QByteArrayList{"MIREL_SIM_NULL_OPTIONS=SerialNumber;LastError"} << 1
                                << QByteArray("MeasurementMode") << Text("ReflectanceScan");
    QTest::newRow("nulled although added")
        << QByteArrayList{"MIREL_SIM_OPTIONS=Note=x", "MIREL_SIM_NULL_OPTIONS=Note"} << 1 << QByteArray("Note")
        << Text();
    QTest::newRow("all nulled") << QByteArrayList{"MIREL_SIM_NULL_OPTIONS=*"} << 1 << QByteArray("SerialNumber")
                                << Text();
}

void SimulatorTest::readsOptions()
{
    QFETCH(QByteArrayList, lines);
    QFETCH(int, instrument);
    QFETCH(QByteArray, key);
    QFETCH(std::optional<QByteArray>, expected);

    const auto handles = m_harness.plugIn(lines);
    QCOMPARE(m_harness.option(handles.at(instrument - 1), key), expected);
}

void SimulatorTest::keepsOptionsSetByTheProgram_data()
{
    QTest::addColumn<QByteArrayList>("lines");
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<std::optional<QByteArray>>("readBack");

    using Text = std::optional<QByteArray>;
    QTest::newRow("measurement mode") << QByteArrayList{} << QByteArray("MeasurementMode")
                                      << QByteArray("ReflectanceSpot") << true << Text("ReflectanceSpot");
    QTest::newRow("density filter") << QByteArrayList{} << QByteArray("Colorimetric.DensityFilterMode")
                                    << QByteArray("Auto") << true << Text("Auto");
    QTest::newRow("white base") << QByteArrayList{} << QByteArray("Colorimetric.WhiteBase")
                                << QByteArray("Absolute") << true << Text("Absolute");
    QTest::newRow("over a configured text") << QByteArrayList{"MIREL_SIM_OPTIONS=MeasurementMode=EmissionSpot"}
                                            << QByteArray("MeasurementMode") << QByteArray("ReflectanceSpot")
                                            << true << Text("ReflectanceSpot");
    QTest::newRow("non-ASCII") << QByteArrayList{} << QByteArray("Größe") << QByteArray("groß") << true
                               << Text("groß");
    QTest::newRow("nulled stays null") << QByteArrayList{"MIREL_SIM_NULL_OPTIONS=MeasurementMode"}
                                       << QByteArray("MeasurementMode") << QByteArray("ReflectanceSpot") << true
                                       << Text();
    QTest::newRow("null value refused") << QByteArrayList{} << QByteArray("MeasurementMode") << QByteArray()
                                        << false << Text("ReflectanceScan");
}

void SimulatorTest::keepsOptionsSetByTheProgram()
{
    QFETCH(QByteArrayList, lines);
    QFETCH(QByteArray, key);
    QFETCH(QByteArray, value);
    QFETCH(bool, accepted);
    QFETCH(std::optional<QByteArray>, readBack);

    const auto handles = m_harness.plugIn(lines + QByteArrayList{"MIREL_SIM_DEVICES=2"});
    const auto otherBefore = m_harness.option(handles.last(), key);
    const char *text = value.isNull() ? nullptr : value.constData();
    QCOMPARE(m_harness.sdk().setOption(handles.first(), key.constData(), text) == 0, accepted);
    QCOMPARE(m_harness.option(handles.first(), key), readBack);
    // Options belong to one instrument and outlive the control file being read again.
    QCOMPARE(m_harness.option(handles.last(), key), otherBefore);
    QCOMPARE(m_harness.list(), handles);
    QCOMPARE(m_harness.option(handles.first(), key), readBack);
}

MIREL_TEST_MAIN(SimulatorTest)

#include "tst_simulator.moc"
