#include "bridge/sdk/sdklibrary.h"
#include "support/isolatedenvironment.h"
#include "support/logcapture.h"

#include <QApplication>
#include <QtTest>

// The run-time loader: a machine without the vendor's library must still start, with no instrument.
class SdkLibraryTest final : public QObject
{
    Q_OBJECT
private slots:
    void libraryName_data();
    void libraryName();
    void vendorLibraryFromTheProgramFolder_data();
    void vendorLibraryFromTheProgramFolder();
    void unusableLibraryListsNoInstrument_data();
    void unusableLibraryListsNoInstrument();
    void loadsACompleteLibrary();
};

void SdkLibraryTest::libraryName_data()
{
    QTest::addColumn<QString>("environment");
    QTest::addColumn<QString>("name");
    QTest::newRow("unset") << QString() << "i1Pro364";
    QTest::newRow("a path") << "/opt/sim/libmirelsim.so" << "/opt/sim/libmirelsim.so";
    QTest::newRow("a name") << "mirelsim" << "mirelsim";
    // Outside Latin-1, so that a path read through Windows' 8-bit code page would be mangled.
    QTest::newRow("not Latin-1") << "/opt/Μέτρηση/測定/libmirelsim.so" << "/opt/Μέτρηση/測定/libmirelsim.so";
}

void SdkLibraryTest::libraryName()
{
    QFETCH(QString, environment);
    if (environment.isNull())
        qunsetenv("MIREL_SDK_LIBRARY");
    else
        qputenv("MIREL_SDK_LIBRARY", environment.toLocal8Bit());
    QTEST(SdkLibrary::libraryNameFromEnvironment(), "name");
    qunsetenv("MIREL_SDK_LIBRARY");
}

void SdkLibraryTest::vendorLibraryFromTheProgramFolder_data()
{
    QTest::addColumn<QString>("environment");
    QTest::addColumn<QString>("programFolder");
    QTest::addColumn<QString>("name");
    QTest::newRow("program folder") << QString() << "C:/Program Files/Mirel" << "C:/Program Files/Mirel/i1Pro364.dll";
    QTest::newRow("trailing slash") << QString() << "C:/Mirel/" << "C:/Mirel/i1Pro364.dll";
    QTest::newRow("override kept") << "D:/Vendor/i1Pro364.dll" << "C:/Mirel" << "D:/Vendor/i1Pro364.dll";
}

void SdkLibraryTest::vendorLibraryFromTheProgramFolder()
{
    QFETCH(QString, environment);
    QFETCH(QString, programFolder);
    QTEST(SdkLibrary::libraryName(environment, programFolder), "name");
}

void SdkLibraryTest::unusableLibraryListsNoInstrument_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("logStart");
    QTest::addColumn<QString>("logEnd");
    QTest::newRow("missing library") << "/nonexistent/libnothing.so" << "Instrument library not loaded: " << "";
    QTest::newRow("missing symbols") << PARTIAL_SDK_LIBRARY << "Instrument library \"" PARTIAL_SDK_LIBRARY "\" lacks "
                                      << " lacks I1PRO3_Calibrate I1PRO3_GetDensities";
}

void SdkLibraryTest::unusableLibraryListsNoInstrument()
{
    QFETCH(QString, path);
    LogCapture log;
    SdkLibrary library(path);

    QVERIFY(!library.isLoaded());
    const QStringList lines = log.lines();
    QCOMPARE(lines.size(), 1);
    QFETCH(QString, logStart);
    QFETCH(QString, logEnd);
    QVERIFY2(lines.first().startsWith(logStart) && lines.first().endsWith(logEnd), qPrintable(lines.first()));

    // Every call takes its fallback, even those the partial library offers.
    I1Pro3DeviceHandle *devices = reinterpret_cast<I1Pro3DeviceHandle *>(&library);
    uint32_t count = 7;
    library.getDevices(&devices, &count);
    QCOMPARE(count, 0u);
    QCOMPARE(devices, nullptr);
    QCOMPARE(library.getOption(nullptr, "SerialNumber"), nullptr);
    QVERIFY(library.calibrate(nullptr) != 0);
    float densities[4] = {1.0f, 2.0f, 3.0f, 4.0f};
    int32_t index = 0;
    library.getDensities(nullptr, densities, &index, 0);
    QCOMPARE(densities[3], 4.0f);
}

void SdkLibraryTest::loadsACompleteLibrary()
{
    SdkLibrary library(QStringLiteral(MIREL_SIMULATOR_LIBRARY));
    QVERIFY(library.isLoaded());
}

MIREL_TEST_MAIN(SdkLibraryTest)
#include "tst_sdklibrary.moc"
