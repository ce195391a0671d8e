#pragma once

#include "lockedsettings.h"

#include <QSettings>
#include <QString>

// The application settings store: INI file in the user's settings location under
// "Quenza"/"Mirel". Start-up and every setIni() call open their own instance; a write
// reaches the file at sync(), or at the latest when the instance is destroyed. Reading, a key an
// administrator locked takes the locked value; one the user's file lacks falls back to the
// machine-wide defaults, "Quenza/Mirel.ini" in XDG_CONFIG_DIRS (%PROGRAMDATA% on Windows).
class ApplicationSettings final
{
public:
    // Where the value a key reads comes from.
    enum class Source { Locked, User, MachineDefault, BuiltIn };

    ApplicationSettings();

    // Whether `key` names "TrustedOrigins", "RememberBrowsingData", "DeveloperTools" or
    // "ExternalSchemes", in any letter case and however the store would read it ("/TrustedOrigins/"
    // is the same key). Trust, whether the browsing data is kept on this computer, whether a page
    // can be inspected and which other programs a page may reach are for an administrator to set,
    // by hand or with an installer, never for a page through setIni.
    static bool isAdministratorKey(const QString &key);
    // Whether the store may read `key` as `name`: the same key in any letter case (as on
    // Windows), with slashes around it or doubled.
    static bool namesKey(const QString &key, QLatin1String name);

    // A stored value as text. A hand-written value with unquoted commas (a URL's query, say) is
    // read as a list; spaces around its commas and quotes inside it are lost.
    static QString textOf(const QVariant &value);

    // The locked or stored value converted to text, or defaultValue when the key is absent or the
    // user's file cannot be parsed.
    QString text(const QString &key, const QString &defaultValue = QString()) const;
    bool contains(const QString &key) const { return source(key) != Source::BuiltIn; }
    Source source(const QString &key) const;
    const LockedSettings &locked() const { return m_locked; }
    void write(const QString &key, const QString &value);
    // Writes pending changes now, so that status() tells whether the file could be read and
    // written. A file that turns out not to be parsable is left exactly as it was.
    void sync();

    // Whether the store could be read and can be written; the path of its file.
    QSettings::Status status() const;
    bool isWritable() const;
    QString fileName() const;

private:
    QSettings m_settings;
    LockedSettings m_locked;
};
