#pragma once

#include <QList>
#include <QMap>
#include <QSettings>
#include <QString>

// The settings an administrator locked for every user of the computer. They win over the user's
// file and setIni never stores them: on Linux "Quenza/Mirel-policy.ini" in each folder of
// XDG_CONFIG_DIRS, then in /etc/xdg whatever that variable says (the first folder that names a
// key wins), on Windows the Group Policy key HKEY_LOCAL_MACHINE\SOFTWARE\Policies\Quenza\Mirel.
// Read once, at construction.
class LockedSettings final
{
public:
    struct Location
    {
        QString path;
        QSettings::Format format;
        bool operator==(const Location &other) const { return path == other.path && format == other.format; }
    };
    // The folder read on Linux whatever the user's environment says: a lock is not the user's to lift.
    static const QString SystemFolder;

    // Where the locked settings are read, most important first, for the platform given.
    static QList<Location> locations(bool windows, const QString &xdgConfigDirs, const QString &systemFolder);

    LockedSettings();

    // Whether `key` names a locked key, in any letter case and however the store would read it
    // ("/server" names "Server"): a page must not slip past a lock by spelling.
    bool isLocked(const QString &key) const { return m_locked.contains(normalized(key)); }
    // The locked value converted to text; null when the key is not locked.
    QString text(const QString &key) const { return m_locked.value(normalized(key)).value; }
    // The file or registry key that locked `key`; empty when it is not locked.
    QString origin(const QString &key) const { return m_locked.value(normalized(key)).origin; }

private:
    struct Entry
    {
        QString value;
        QString origin;
    };
    static QString normalized(const QString &key);

    QMap<QString, Entry> m_locked;
};
