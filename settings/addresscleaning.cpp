#include "addresscleaning.h"

#include <QRegularExpression>

namespace {
// Up to the first character of `stops`, or the whole.
QStringView upTo(QStringView text, QLatin1String stops)
{
    for (qsizetype at = 0; at < text.size(); ++at) {
        if (stops.contains(text.at(at)))
            return text.first(at);
    }
    return text;
}

// "/a;x=1/b;jsessionid=2" → "/a/b"
QString withoutPathParameters(QStringView path)
{
    QString kept;
    for (QStringView segment : path.split(QLatin1Char('/')))
        kept.append(upTo(segment, QLatin1String(";"))).append(QLatin1Char('/'));
    kept.chop(1);
    return kept;
}
} // namespace

QString cleanedAddress(const QString &address)
{
    const qsizetype colon = address.indexOf(QLatin1Char(':'));
    if (colon <= 0)
        return upTo(address, QLatin1String("?#")).toString();
    const QString scheme = address.first(colon).toLower();
    const QStringView rest = QStringView(address).sliced(colon + 1);
    if (scheme == QLatin1String("data"))
        return QStringLiteral("data:").append(upTo(rest, QLatin1String(",;?# ")));
    if (scheme == QLatin1String("javascript"))
        return QStringLiteral("javascript:");
    if (scheme == QLatin1String("blob")) {
        // The origin: what the inner address keeps up to its path.
        const QString inner = cleanedAddress(rest.toString());
        const qsizetype authority = inner.indexOf(QLatin1String("//"));
        const qsizetype path = authority < 0 ? -1 : inner.indexOf(QLatin1Char('/'), authority + 2);
        return QStringLiteral("blob:") + (path < 0 ? inner : inner.first(path));
    }
    const QStringView beforeQuery = upTo(rest, QLatin1String("?#"));
    if (!beforeQuery.startsWith(QLatin1String("//")))
        return address.first(colon + 1).append(beforeQuery);
    const QStringView afterSlashes = beforeQuery.sliced(2);
    QStringView authority = upTo(afterSlashes, QLatin1String("/"));
    const QStringView path = afterSlashes.sliced(authority.size());
    authority = authority.sliced(authority.lastIndexOf(QLatin1Char('@')) + 1);
    return address.first(colon + 1).append(QLatin1String("//")).append(authority)
            + withoutPathParameters(path);
}

QUrl cleanedAddress(const QUrl &address)
{
    return QUrl(cleanedAddress(address.toString(QUrl::FullyEncoded)), QUrl::TolerantMode);
}

QString withoutSecrets(const QString &text)
{
    // A scheme, a colon and at least one character that cannot end an address: "Mode: x" stays.
    // The content of "data:" and "javascript:" runs on to a space or a double quote, so that a
    // single quote in it cannot leave the rest behind.
    static const QRegularExpression address(
            QStringLiteral(R"(\b(?:(?:data|javascript):[^\s"]*|[a-z][a-z0-9+.-]*:[^\s"'<>]+))"),
            QRegularExpression::CaseInsensitiveOption);
    QString cleaned;
    qsizetype copied = 0;
    for (auto match = address.globalMatch(text); match.hasNext();) {
        const QRegularExpressionMatch found = match.next();
        cleaned += QStringView(text).mid(copied, found.capturedStart() - copied);
        cleaned += cleanedAddress(found.captured());
        copied = found.capturedEnd();
    }
    cleaned += QStringView(text).mid(copied);
    return cleaned;
}
