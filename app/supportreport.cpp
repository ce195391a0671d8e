#include "supportreport.h"

#include "crashfiles.h"
#include "bridge/object.h"
#include "settings/addresscleaning.h"
#include "browser/rendererrecovery.h"

#include <QDateTime>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QGuiApplication>
#include <QFileInfo>
#include <QLocale>
#include <QMessageBox>
#include <QMetaEnum>
#include <QSaveFile>
#include <QSysInfo>
#include <QTextStream>
#include <QtWebEngineCore/qtwebenginecoreglobal.h>

namespace {
void section(QTextStream &out, const char *title)
{
    out << "\n== " << title << " ==\n";
}

QString orNone(const QString &text, const char *none)
{
    return text.isEmpty() ? QString::fromLatin1(none) : text;
}

QString serialLine(Object::SerialRead read, const QString &serial)
{
    switch (read) {
    case Object::SerialRead::ForReport:
        return orNone(serial, "none given") + QStringLiteral(" (read for this report)");
    case Object::SerialRead::Busy:
        return QStringLiteral("busy with a call, last read: ") + orNone(serial, "not read during this run");
    case Object::SerialRead::NoAnswer:
        break;
    }
    return QStringLiteral("no answer in time, last read: ") + orNone(serial, "not read during this run");
}
} // namespace

SupportReport::SupportReport(const SupportReportSources &sources)
    : m_sources(sources)
{
}

QString SupportReport::proposedFileName(const QDate &date)
{
    return QStringLiteral("mirel-report-%1.txt").arg(date.toString(QStringLiteral("yyyy-MM-dd")));
}

QString SupportReport::text() const
{
    QString report;
    QTextStream out(&report);
    out << "Mirel support report, written " << QDateTime::currentDateTime().toString(Qt::ISODate) << "\n";

    section(out, "Mirel");
    out << "Version: " << MIREL_VERSION << "\n";
    out << "Build: " << MIREL_BUILD << ", " << QSysInfo::buildAbi() << ", built-in server " << MIREL_START_HOST << "\n";
    out << "Qt: " << qVersion() << " (built with " << QT_VERSION_STR << ")\n";
    out << "Web engine: Qt WebEngine " << qWebEngineVersion() << ", Chromium " << qWebEngineChromiumVersion() << "\n";

    section(out, "System");
    out << "Operating system: " << QSysInfo::prettyProductName() << " (" << QSysInfo::kernelType() << ' '
        << QSysInfo::kernelVersion() << ", " << QSysInfo::currentCpuArchitecture() << ")\n";
    out << "Display: " << QGuiApplication::platformName() << "\n";
    out << "Language: " << QLocale().name() << " (preferred: " << QLocale().uiLanguages().join(QStringLiteral(", "))
        << ")\n";

    section(out, "Settings in force");
    for (const SettingInForce &setting : m_sources.settings)
        out << setting.key << " = " << setting.value << "  (" << sourceName(setting.source) << ")\n";

    section(out, "Instrument");
    if (m_sources.bridge) {
        const Object::SerialRead serialRead = m_sources.bridge->readSerialNumber();
        const InstrumentStatus::Snapshot instrument = m_sources.bridge->instrumentStatus();
        out << "Library: " << orNone(instrument.library, "not described") << "\n";
        out << "Connected at the last check: " << (instrument.connected ? "yes" : "no") << "\n";
        out << "Serial number: " << serialLine(serialRead, instrument.serial) << "\n";
        out << "Last calibration: ";
        if (instrument.calibration.isEmpty())
            out << "none during this run\n";
        else
            out << instrument.calibration << " at " << instrument.calibratedAt.toString(Qt::ISODate)
                << (instrument.calibrationError.isEmpty() ? QString() : " (last error: " + instrument.calibrationError + ')')
                << "\n";
    }

    section(out, "Folders");
    out << "Settings file: " << QDir::toNativeSeparators(m_sources.settingsFile) << "\n";
    out << "Profile: " << orNone(QDir::toNativeSeparators(m_sources.profileFolder), "none, nothing is kept") << "\n";
    out << "Cache: " << orNone(QDir::toNativeSeparators(m_sources.cacheFolder), "none, nothing is kept") << "\n";
    out << "Log: " << QDir::toNativeSeparators(m_sources.logFile) << "\n";

    section(out, "Last abnormal end");
    out << lastAbnormalEnd();

    section(out, "Log, last lines");
    out << logTail();
    return report;
}

QString SupportReport::logTail() const
{
    // The rotated file first: just after a rotation the current one holds few lines.
    QStringList lines;
    for (const QString &path : {m_sources.logFile + QStringLiteral(".1"), m_sources.logFile}) {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly | QIODevice::Text))
            lines += QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }
    if (lines.size() > LogLines)
        lines = lines.mid(lines.size() - LogLines);
    QString tail;
    for (const QString &line : std::as_const(lines))
        tail += withoutSecrets(line) + QLatin1Char('\n');
    return tail;
}

QString SupportReport::lastAbnormalEnd() const
{
    // The crash file holds addresses and the program's own symbols, nothing of a page.
    const QString crash = CrashFiles::lastText(QFileInfo(m_sources.logFile).absolutePath());
    QString text = QStringLiteral("Mirel: ") + orNone(crash, "none") + QLatin1Char('\n');
    text += QStringLiteral("Page renderer, this run: ");
    const std::optional<RendererRecovery::End> end = m_sources.renderer ? m_sources.renderer->lastEnd() : std::nullopt;
    if (end)
        text += QStringLiteral("%1, exit code %2, at %3\n")
                    .arg(QLatin1String(QMetaEnum::fromType<QWebEnginePage::RenderProcessTerminationStatus>().valueToKey(end->status)))
                    .arg(end->exitCode)
                    .arg(end->at.toString(Qt::ISODate));
    else
        text += QStringLiteral("none\n");
    return text;
}

void SupportReport::save(QWidget *parent) const
{
    const QString path = QFileDialog::getSaveFileName(parent, tr("Save a support report"),
                                                      QDir::home().filePath(proposedFileName(QDate::currentDate())),
                                                      tr("Text files (*.txt)"));
    if (path.isEmpty())
        return;
    const QString error = writeTo(path);
    if (error.isEmpty()) {
        qDebug() << "Support report saved:" << path;
        return;
    }
    qDebug() << "Support report not saved:" << path << error;
    QMessageBox::warning(parent, tr("Support report"),
                         tr("The report could not be saved in %1: %2").arg(QDir::toNativeSeparators(path), error));
}

QString SupportReport::writeTo(const QString &path) const
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text))
        return file.errorString();
    // As private as the log it copies, before it takes the final name: an older report's mode is
    // not kept either.
    if (!file.setPermissions(QFile::ReadOwner | QFile::WriteOwner) || file.write(text().toUtf8()) < 0
        || !file.commit())
        return file.errorString();
    return QString();
}

void saveSupportReport(QWidget *parent, const SupportReportSources &sources)
{
    SupportReport(sources).save(parent);
}
