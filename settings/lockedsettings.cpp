#include "lockedsettings.h"

#include "applicationsettings.h"

#include <QDir>

QList<LockedSettings::Location> LockedSettings::locations(bool windows, const QString &xdgConfigDirs)
{
    if (windows)
        return {{QStringLiteral("HKEY_LOCAL_MACHINE\\SOFTWARE\\Policies\\Quenza\\Mirel"), QSettings::NativeFormat}};
    QStringList folders = xdgConfigDirs.split(QLatin1Char(':'), Qt::SkipEmptyParts);
    if (folders.isEmpty())
        folders = QStringList{QStringLiteral("/etc/xdg")};
    QList<Location> found;
    for (const QString &folder : folders)
        found.append({QDir(folder).filePath(QStringLiteral("Quenza/Mirel-policy.ini")), QSettings::IniFormat});
    return found;
}

LockedSettings::LockedSettings()
{
#ifdef Q_OS_WIN
    const bool windows = true;
#else
    const bool windows = false;
#endif
    for (const Location &location : locations(windows, qEnvironmentVariable("XDG_CONFIG_DIRS"))) {
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
