#include "applicationsettings.h"

ApplicationSettings::ApplicationSettings()
    : m_settings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Quenza"), QStringLiteral("Mirel"))
{
}

QString ApplicationSettings::text(const QString &key, const QString &defaultValue) const
{
    const QVariant value = m_settings.value(key, defaultValue);
    // A hand-written value with unquoted commas (a URL's query, say) is read as a list.
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
    m_settings.sync();
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
