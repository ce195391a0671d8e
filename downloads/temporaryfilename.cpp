#include "temporaryfilename.h"

#include <QChar>
#include <QDir>
#include <QStringList>
#include <QUuid>

#include <string_view>

namespace {
// cmd.exe acts on these even inside a file name, and Windows refuses " : * ? in one.
constexpr std::string_view UnsafeAscii = "&|<>^%!\":*?";
// Longer tails are not treated as an extension worth keeping when the name is cut.
constexpr qsizetype MaximumExtensionLength = 16;

bool isUnsafe(char32_t c)
{
    const QChar::Category category = QChar::category(c);
    // Format characters include the bidirectional overrides that disguise an extension.
    return category == QChar::Other_Control || category == QChar::Other_Format
            || (c < 0x80 && UnsafeAscii.find(char(c)) != std::string_view::npos);
}

QString withoutUnsafeCharacters(const QString &text)
{
    QString kept;
    for (const char32_t c : text.toUcs4()) {
        if (!isUnsafe(c))
            kept += QString::fromUcs4(&c, 1);
    }
    return kept;
}

// Leading dots hide a file or climb folders; Windows drops trailing dots and spaces itself.
QString trimmedName(const QString &part)
{
    const auto isTrimmed = [](QChar c) { return c == QLatin1Char('.') || c.isSpace(); };
    qsizetype begin = 0;
    qsizetype end = part.size();
    while (begin < end && isTrimmed(part.at(begin)))
        ++begin;
    while (end > begin && isTrimmed(part.at(end - 1)))
        --end;
    return part.mid(begin, end - begin);
}

QString shortened(const QString &name)
{
    if (name.size() <= MaximumSafeNameLength)
        return name;
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    const QString extension =
            dot > 0 && name.size() - dot <= MaximumExtensionLength ? name.mid(dot) : QString();
    QString base = name.left(MaximumSafeNameLength - extension.size());
    if (base.back().isHighSurrogate())
        base.chop(1);
    return trimmedName(base) + extension;
}
} // namespace

QString safeFileName(const QString &suggestedName)
{
    // The last component that still names something is the file; the rest would be folders.
    const QStringList parts = withoutUnsafeCharacters(suggestedName)
                                      .replace(QLatin1Char('\\'), QLatin1Char('/'))
                                      .split(QLatin1Char('/'));
    for (auto part = parts.crbegin(); part != parts.crend(); ++part) {
        const QString name = trimmedName(*part);
        if (!name.isEmpty())
            return shortened(name);
    }
    return QStringLiteral("download");
}

QString startsWithNameFilter(const QString &fileName)
{
    // Inside brackets a wildcard character stands for itself.
    QString filter;
    for (const QChar c : fileName) {
        if (c == QLatin1Char('[') || c == QLatin1Char('*') || c == QLatin1Char('?'))
            filter += QLatin1Char('[') + c + QLatin1Char(']');
        else
            filter += c;
    }
    return filter + QLatin1Char('*');
}

bool isTemporaryDownloadName(const QString &fileName)
{
    constexpr int UuidLength = 38; // with its braces
    if (fileName.size() <= UuidLength + 1 || fileName.at(UuidLength) != QLatin1Char('_'))
        return false;
    const QUuid uuid = QUuid::fromString(QStringView(fileName).left(UuidLength));
    // Only the form QUuid writes, so that no name typed by someone else happens to match.
    return !uuid.isNull() && uuid.toString(QUuid::WithBraces) == QStringView(fileName).left(UuidLength);
}

QString temporaryDownloadPath(const QString &suggestedName)
{
    return QDir::tempPath() + QLatin1Char('/') + QUuid::createUuid().toString(QUuid::WithBraces)
            + QLatin1Char('_') + safeFileName(suggestedName);
}
