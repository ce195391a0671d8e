#include "settingsinforce.h"

#include "addresscleaning.h"

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
