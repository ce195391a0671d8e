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
            || namesKey(key, QLatin1String("DeveloperTools"));
}

bool ApplicationSettings::namesKey(const QString &key, QLatin1String name)
{
    // The store drops slashes at either end of a key and reads repeated ones as one.
    const QString stored = key.split(QLatin1Char('/'), Qt::SkipEmptyParts).join(QLatin1Char('/'));
    return stored.compare(name, Qt::CaseInsensitive) == 0;
}

QString ApplicationSettings::text(const QString &key, const QString &defaultValue) const
{
    const QVariant value = m_settings.value(key, defaultValue);
    // A hand-written value with unquoted commas (a URL's query, say) is read as a list; spaces
    // around its commas and quotes inside it are lost.
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(QLatin1Char(','));
    return value.toString();
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
