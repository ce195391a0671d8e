#include "settingsinforce.h"

#include <QRegularExpression>

QList<SettingInForce> settingsInForce(const ApplicationSettings &settings, const QString &defaultStartPage)
{
    const struct
    {
        const char *key;
        QString builtIn;
    } keys[] = {
        {"Server", defaultStartPage},
        {"TrustedOrigins", QString()},
        {"ExternalSchemes", QString()},
        {"RememberBrowsingData", QStringLiteral("1")},
        {"ShowMaximized", QStringLiteral("1")},
        {"EnableHighDpi", QStringLiteral("1")},
        {"ContextMenu", QStringLiteral("0")},
        {"ZoomFactor", QStringLiteral("1")},
        {"WindowGeometry", QString()},
        {"DeveloperTools", QStringLiteral("0")},
    };
    QList<SettingInForce> inForce;
    for (const auto &entry : keys) {
        const QString key = QLatin1String(entry.key);
        inForce.append({key, withoutSecrets(settings.text(key, entry.builtIn)), settings.source(key)});
    }
    return inForce;
}

QString sourceName(ApplicationSettings::Source source)
{
    switch (source) {
    case ApplicationSettings::Source::Locked:
        return QStringLiteral("locked");
    case ApplicationSettings::Source::User:
        return QStringLiteral("user's file");
    case ApplicationSettings::Source::MachineDefault:
        return QStringLiteral("machine default");
    case ApplicationSettings::Source::BuiltIn:
        break;
    }
    return QStringLiteral("built-in default");
}

QString withoutSecrets(const QString &text)
{
    // The scheme, then the authority up to the path, then the path up to a query or fragment;
    // an address ends at white space, a quote or an angle bracket.
    static const QRegularExpression address(QStringLiteral(
            R"(\b([A-Za-z][A-Za-z0-9+.-]*://)([^/\s"'<>?#]*)([^\s"'<>?#]*)([?#][^\s"'<>]*)?)"));
    QString cleaned;
    qsizetype copied = 0;
    for (auto match = address.globalMatch(text); match.hasNext();) {
        const QRegularExpressionMatch found = match.next();
        QString authority = found.captured(2);
        authority.remove(0, authority.lastIndexOf(QLatin1Char('@')) + 1);
        cleaned += QStringView(text).mid(copied, found.capturedStart() - copied);
        cleaned += found.captured(1) + authority + found.captured(3);
        copied = found.capturedEnd();
    }
    cleaned += QStringView(text).mid(copied);
    return cleaned;
}
