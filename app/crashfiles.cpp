#include "crashfiles.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <algorithm>

namespace {
const QRegularExpression NamePattern(QStringLiteral("^crash-(\\d{4}-\\d\\d-\\d\\dT\\d\\d-\\d\\d-\\d\\dZ)\\.(txt|dmp)$"));
const QRegularExpression SummaryPattern(
    QStringLiteral("ended abnormally at (\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\dZ): (signal \\d+|exception 0x[0-9A-Fa-f]+)"));

void writeDigits(char *out, std::int64_t value, int count)
{
    for (int at = count - 1; at >= 0; --at) {
        out[at] = char('0' + value % 10);
        value /= 10;
    }
}

// "YYYY-MM-DDTHH<separator>MM<separator>SSZ" for a time after 1970, by the proleptic Gregorian
// calendar's day count.
void writeUtc(std::int64_t seconds, char separator, char *out)
{
    const std::int64_t days = seconds / 86400;
    const std::int64_t ofDay = seconds % 86400;
    const std::int64_t shifted = days + 719468; // days since 0000-03-01
    const std::int64_t era = shifted / 146097;
    const std::int64_t ofEra = shifted - era * 146097;
    const std::int64_t yearOfEra = (ofEra - ofEra / 1460 + ofEra / 36524 - ofEra / 146096) / 365;
    const std::int64_t dayOfYear = ofEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::int64_t fromMarch = (5 * dayOfYear + 2) / 153;
    const std::int64_t day = dayOfYear - (153 * fromMarch + 2) / 5 + 1;
    const std::int64_t month = fromMarch < 10 ? fromMarch + 3 : fromMarch - 9;
    const std::int64_t year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
    writeDigits(out, year, 4);
    out[4] = '-';
    writeDigits(out + 5, month, 2);
    out[7] = '-';
    writeDigits(out + 8, day, 2);
    out[10] = 'T';
    writeDigits(out + 11, ofDay / 3600, 2);
    out[13] = separator;
    writeDigits(out + 14, ofDay / 60 % 60, 2);
    out[16] = separator;
    writeDigits(out + 17, ofDay % 60, 2);
    out[19] = 'Z';
}

QStringList crashStems(const QStringList &fileNames)
{
    QStringList stems;
    for (const QString &name : fileNames) {
        if (NamePattern.match(name).hasMatch())
            stems << name.left(CrashFiles::StemLength);
    }
    stems.removeDuplicates();
    std::sort(stems.begin(), stems.end());
    return stems;
}
} // namespace

void CrashFiles::writeStem(std::int64_t secondsSinceEpoch, char *stem)
{
    const char prefix[] = "crash-";
    std::copy(prefix, prefix + 6, stem);
    writeUtc(secondsSinceEpoch, '-', stem + 6);
}

void CrashFiles::writeTime(std::int64_t secondsSinceEpoch, char *time)
{
    writeUtc(secondsSinceEpoch, ':', time);
}

QStringList CrashFiles::toRemove(const QStringList &fileNames, int kept)
{
    const QStringList stems = crashStems(fileNames);
    const QStringList old = stems.mid(0, std::max(0, int(stems.size()) - kept));
    QStringList removed;
    for (const QString &name : fileNames) {
        if (NamePattern.match(name).hasMatch() && old.contains(name.left(StemLength)))
            removed << name;
    }
    return removed;
}

QString CrashFiles::newest(const QStringList &fileNames)
{
    QString found;
    for (const QString &name : fileNames) {
        if (name.endsWith(QLatin1String(".txt")) && NamePattern.match(name).hasMatch() && name > found)
            found = name;
    }
    return found;
}

std::optional<CrashFiles::Summary> CrashFiles::readSummary(const QString &firstLine)
{
    const QRegularExpressionMatch match = SummaryPattern.match(firstLine);
    if (!match.hasMatch())
        return std::nullopt;
    const QDateTime at = QDateTime::fromString(match.captured(1), Qt::ISODate);
    if (!at.isValid())
        return std::nullopt;
    return Summary{at.toLocalTime(), match.captured(2)};
}

namespace {
QString readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly | QIODevice::Text) ? QString::fromUtf8(file.readAll()) : QString();
}

QString summaryLine(const QString &path)
{
    const std::optional<CrashFiles::Summary> summary = CrashFiles::readSummary(readAll(path).section(QLatin1Char('\n'), 0, 0));
    const QString at = summary ? summary->at.toString(Qt::ISODate) : QStringLiteral("an unknown time");
    const QString cause = summary ? summary->cause : QStringLiteral("cause unknown");
    return QStringLiteral("Mirel ended abnormally on %1 (%2); details in %3").arg(at, cause, QDir::toNativeSeparators(path));
}
} // namespace

void CrashFiles::announceLast(const QString &folder)
{
    QDir dir(folder);
    const QStringList names = dir.entryList({QStringLiteral("crash-*")}, QDir::Files);
    for (const QString &name : toRemove(names))
        dir.remove(name);
    const QString last = newest(names);
    const QString announced = dir.filePath(AnnouncedFile);
    if (last.isEmpty() || readAll(announced).trimmed() == last)
        return;
    qDebug().noquote() << summaryLine(dir.filePath(last));
    QFile marker(announced);
    if (marker.open(QIODevice::WriteOnly | QIODevice::Truncate, QFile::ReadOwner | QFile::WriteOwner))
        marker.write(last.toUtf8());
}

QString CrashFiles::lastText(const QString &folder)
{
    const QDir dir(folder);
    const QString last = newest(dir.entryList({QStringLiteral("crash-*.txt")}, QDir::Files));
    if (last.isEmpty())
        return QString();
    return summaryLine(dir.filePath(last)) + QLatin1Char('\n') + readAll(dir.filePath(last));
}
