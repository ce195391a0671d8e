#include "lockedsettings.h"

#include "applicationsettings.h"

#include <QDir>

const QString LockedSettings::SystemFolder = QStringLiteral("/etc/xdg");

QList<LockedSettings::Location> LockedSettings::locations(bool windows, const QString &xdgConfigDirs,
                                                          const QString &systemFolder)
{
    if (windows)
        return {{QStringLiteral("HKEY_LOCAL_MACHINE\\SOFTWARE\\Policies\\Quenza\\Mirel"), QSettings::NativeFormat}};
    // The user's folders first, as ever; the system's last, once.
    const QStringList folders = xdgConfigDirs.split(QLatin1Char(':'), Qt::SkipEmptyParts) << systemFolder;
    QList<Location> found;
    for (const QString &folder : folders) {
        const Location location{QDir(folder).filePath(QStringLiteral("Quenza/Mirel-policy.ini")), QSettings::IniFormat};
        if (!found.contains(location))
            found.append(location);
    }
    return found;
}

LockedSettings::LockedSettings()
{
#ifdef Q_OS_WIN
    const bool windows = true;
#else
    const bool windows = false;
#endif
    for (const Location &location : locations(windows, qEnvironmentVariable("XDG_CONFIG_DIRS"), SystemFolder)) {
        const QSettings store(location.path, location.format);
        const QString origin = QDir::toNativeSeparators(store.fileName());
        for (const QString &key : store.allKeys()) {
            // An earlier folder has the say.
            if (!m_locked.contains(normalized(key)))
                m_locked.insert(normalized(key), Entry{ApplicationSettings::textOf(store.value(key)), origin});
        }
    }
}

QString LockedSettings::normalized(const QString &key)
{
    // The store drops slashes at either end of a key and reads repeated ones as one.
    return key.split(QLatin1Char('/'), Qt::SkipEmptyParts).join(QLatin1Char('/')).toCaseFolded();
}
