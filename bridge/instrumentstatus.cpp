#include "instrumentstatus.h"

#include <QMutexLocker>

void InstrumentStatus::setConnected(bool connected)
{
    const QMutexLocker locker(&m_mutex);
    // Another instrument may be the one found next: its serial is not known yet.
    if (!connected)
        m_snapshot.serial.clear();
    m_snapshot.connected = connected;
}

void InstrumentStatus::setSerial(const QString &serial)
{
    const QMutexLocker locker(&m_mutex);
    m_snapshot.serial = serial;
}

void InstrumentStatus::setCalibration(const QString &result, const QString &lastError)
{
    const QMutexLocker locker(&m_mutex);
    m_snapshot.calibration = result;
    m_snapshot.calibrationError = lastError;
    m_snapshot.calibratedAt = QDateTime::currentDateTime();
}

InstrumentStatus::Snapshot InstrumentStatus::snapshot() const
{
    const QMutexLocker locker(&m_mutex);
    return m_snapshot;
}
