#include "simulatorharness.h"

#include <QFile>

namespace {
const QString ControlFileName = QStringLiteral("control.txt");
const QString JournalName = QStringLiteral("journal.txt");
} // namespace

SimulatorHarness::SimulatorHarness(const QByteArrayList &environment)
{
    qputenv("MIREL_SIM_CONTROL_FILE", QFile::encodeName(filePath(ControlFileName)));
    qputenv("MIREL_SIM_JOURNAL", QFile::encodeName(filePath(JournalName)));
    for (const QByteArray &variable : environment) {
        const auto separator = variable.indexOf('=');
        qputenv(variable.left(separator).constData(), variable.mid(separator + 1));
    }
    m_sdk = std::make_unique<SdkLibrary>(QStringLiteral(MIREL_SIMULATOR_LIBRARY));
}

void SimulatorHarness::configure(const QByteArrayList &lines) const
{
    QFile file(filePath(ControlFileName));
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(lines.join('\n') + '\n');
}

QVector<I1Pro3DeviceHandle> SimulatorHarness::list()
{
    I1Pro3DeviceHandle *devices = nullptr;
    uint32_t count = 0;
    if (m_sdk->getDevices(&devices, &count) != 0)
        return {};
    return QVector<I1Pro3DeviceHandle>(devices, devices + count);
}

QVector<I1Pro3DeviceHandle> SimulatorHarness::plugIn(const QByteArrayList &lines)
{
    configure({"MIREL_SIM_DEVICES=0"});
    list();
    configure(lines);
    return list();
}

std::optional<QByteArray> SimulatorHarness::option(I1Pro3DeviceHandle device, const QByteArray &key)
{
    const char *text = m_sdk->getOption(device, key.constData());
    if (!text)
        return std::nullopt;
    return QByteArray(text);
}

QByteArrayList SimulatorHarness::journal() const
{
    QFile file(filePath(JournalName));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QByteArrayList lines = file.readAll().split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

void SimulatorHarness::clearJournal() const
{
    QFile::remove(filePath(JournalName));
}
