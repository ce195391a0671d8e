#pragma once

#include "bridge/sdk/sdklibrary.h"

#include <QByteArrayList>
#include <QTemporaryDir>
#include <QVector>

#include <memory>
#include <optional>

// Loads the simulated instrument once per test process, with its control file and journal in a
// private folder, and changes the instrument between test cases through the control file.
class SimulatorHarness final
{
public:
    // Sets the environment the library reads on its first call, then loads it. Further
    // variables (NAME=VALUE) go into the environment too, so a test can check that path.
    explicit SimulatorHarness(const QByteArrayList &environment = {});

    bool isReady() const { return m_folder.isValid() && m_sdk->isLoaded(); }
    SdkLibrary &sdk() { return *m_sdk; }
    QString filePath(const QString &name) const { return m_folder.filePath(name); }

    // Replaces the control file; the library reads it at its next GetDevices.
    void configure(const QByteArrayList &lines) const;
    QVector<I1Pro3DeviceHandle> list();
    // Unplugs every instrument, then lists fresh ones as configured by the given lines.
    QVector<I1Pro3DeviceHandle> plugIn(const QByteArrayList &lines);
    // Nothing for a null text, to tell it from an empty one.
    std::optional<QByteArray> option(I1Pro3DeviceHandle device, const QByteArray &key);

    QByteArrayList journal() const;
    void clearJournal() const;

private:
    QTemporaryDir m_folder;
    std::unique_ptr<SdkLibrary> m_sdk;
};
