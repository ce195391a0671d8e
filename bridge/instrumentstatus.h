#pragma once

#include <QDateTime>
#include <QMutex>
#include <QString>

// What the instrument link last saw, for a support report: written on the instrument thread as
// the link works (it makes no library call of its own for it), read from any thread.
class InstrumentStatus final
{
public:
    struct Snapshot
    {
        // Where the library was loaded from, or why it could not be used.
        QString library;
        bool connected = false;
        // As last read, by a page or for a support report; empty until then.
        QString serial;
        // "DONE" or "ERROR", with the instrument's last error after a failure; empty until the
        // first calibration of the run.
        QString calibration;
        QString calibrationError;
        QDateTime calibratedAt;
    };

    void setConnected(bool connected);
    void setSerial(const QString &serial);
    void setCalibration(const QString &result, const QString &lastError);
    Snapshot snapshot() const;

private:
    mutable QMutex m_mutex;
    Snapshot m_snapshot;
};
