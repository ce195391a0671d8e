#include "applicationsettings.h"

#include <QFile>
#include <QSaveFile>

ApplicationSettings::ApplicationSettings()
    : m_settings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Quenza"), QStringLiteral("Mirel"))
{
}

bool ApplicationSettings::isAdministratorKey(const QString &key)
{
    return namesKey(key, QLatin1String("TrustedOrigins")) || namesKey(key, QLatin1String("RememberBrowsingData"))
            || namesKey(key, QLatin1String("DeveloperTools")) || namesKey(key, QLatin1String("ExternalSchemes"));
}

bool ApplicationSettings::namesKey(const QString &key, QLatin1String name)
{
    // The store drops slashes at either end of a key and reads repeated ones as one.
    const QString stored = key.split(QLatin1Char('/'), Qt::SkipEmptyParts).join(QLatin1Char('/'));
    return stored.compare(name, Qt::CaseInsensitive) == 0;
}

QString ApplicationSettings::textOf(const QVariant &value)
{
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(QLatin1Char(','));
    return value.toString();
}

QString ApplicationSettings::text(const QString &key, const QString &defaultValue) const
{
    switch (source(key)) {
    case Source::Locked:
        return m_locked.text(key);
    case Source::User:
    case Source::MachineDefault:
        return textOf(m_settings.value(key));
    case Source::BuiltIn:
        break;
    }
    return defaultValue;
}

ApplicationSettings::Source ApplicationSettings::source(const QString &key) const
{
    if (m_locked.isLocked(key))
        return Source::Locked;
    if (m_settings.status() == QSettings::FormatError || !m_settings.contains(key))
        return Source::BuiltIn;
    // The same file through an instance without the machine-wide fallbacks.
    const QSettings userFile(m_settings.fileName(), QSettings::IniFormat);
    return userFile.contains(key) ? Source::User : Source::MachineDefault;
}

void ApplicationSettings::write(const QString &key, const QString &value)
{
    m_settings.setValue(key, value);
}

void ApplicationSettings::sync()
{
    // The toolkit notices an unparsable file only when it writes, and then rewrites it with the
    // part it could parse; put back what the user had, so every start treats it the same way.
    QFile file(m_settings.fileName());
    const bool existed = file.open(QIODevice::ReadOnly);
    const QByteArray original = existed ? file.readAll() : QByteArray();
    file.close();
    m_settings.sync();
    if (existed && m_settings.status() == QSettings::FormatError) {
        QSaveFile restored(m_settings.fileName());
        if (restored.open(QIODevice::WriteOnly)) {
            restored.write(original);
            restored.commit();
        }
    }
}

QSettings::Status ApplicationSettings::status() const
{
    return m_settings.status();
}

bool ApplicationSettings::isWritable() const
{
    return m_settings.isWritable();
}

QString ApplicationSettings::fileName() const
{
    return m_settings.fileName();
}
