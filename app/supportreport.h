#pragma once

#include "settings/settingsinforce.h"

#include <QCoreApplication>
#include <QDate>
#include <QList>
#include <QString>

class Object;
class RendererRecovery;
class QWidget;

// What a support report is made from, gathered by start-up.
struct SupportReportSources
{
    // As start-up read them.
    QList<SettingInForce> settings;
    QString settingsFile;
    // The instrument's library and what the link last saw; none without a bridge. Asked for the
    // serial number as the report is made.
    Object *bridge = nullptr;
    QString profileFolder;
    QString cacheFolder;
    QString logFile;
    // The main window's page renderer's last end; none without one.
    const RendererRecovery *renderer = nullptr;
};

// One text for support: Mirel's, Qt's and the engine's versions, the system and language, the
// settings in force and where they come from, the instrument, the folders, the last abnormal
// end (the newest crash file beside the log, the renderer's last end during this run) and the
// log's last lines. Addresses lose their user names, passwords and queries; no cookie, password or page
// content is ever in it. In English, whatever the person's language: it is read by support.
class SupportReport final
{
    Q_DECLARE_TR_FUNCTIONS(SupportReport)
public:
    static constexpr int LogLines = 500;

    explicit SupportReport(const SupportReportSources &sources);

    QString text() const;
    // "mirel-report-<yyyy-MM-dd>.txt"
    static QString proposedFileName(const QDate &date);
    // Asks where through a save dialog, proposing the file name in the home folder, and writes
    // the report there; a report that cannot be written is said in a message box and logged.
    void save(QWidget *parent) const;
    // Writes the report to `path`, readable and writable by the user only on Unix; the reason when
    // it could not, else empty.
    QString writeTo(const QString &path) const;

private:
    QString logTail() const;
    QString lastAbnormalEnd() const;

    const SupportReportSources m_sources;
};

// For the Ctrl+Shift+F1 key of every window and the console's button.
void saveSupportReport(QWidget *parent, const SupportReportSources &sources);
