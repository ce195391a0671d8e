#include "originpolicy.h"

#include <QStringList>

namespace {
int defaultPort(const QString &scheme)
{
    if (scheme == QLatin1String("https") || scheme == QLatin1String("wss"))
        return 443;
    if (scheme == QLatin1String("http") || scheme == QLatin1String("ws"))
        return 80;
    return -1;
}
} // namespace

OriginPolicy::OriginPolicy(const QUrl &startPage, const QString &trustedOrigins)
{
    for (const QString &entry : trustedOrigins.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const QString origin = originOf(QUrl(entry, QUrl::StrictMode));
        if (!origin.isEmpty())
            m_listed.insert(origin);
    }
    const QString startOrigin = originOf(startPage);
    if (startOrigin.isEmpty()) {
        m_hostlessScheme = startPage.scheme().toLower();
        return;
    }
    m_origins = m_listed;
    m_origins.insert(startOrigin);
}

bool OriginPolicy::allows(const QUrl &page) const
{
    if (!m_hostlessScheme.isEmpty())
        return page.host().isEmpty() && page.scheme().toLower() == m_hostlessScheme;
    return m_origins.contains(originOf(page));
}

bool OriginPolicy::allowsAsStartPage(const QUrl &page) const
{
    return allows(page) || m_listed.contains(originOf(page));
}

QString OriginPolicy::originOf(const QUrl &url)
{
    if (!url.isValid() || url.host().isEmpty())
        return QString();
    const QString scheme = url.scheme().toLower();
    return QStringLiteral("%1://%2:%3").arg(scheme, url.host().toLower()).arg(url.port(defaultPort(scheme)));
}

QString OriginPolicy::nameOf(const QUrl &url)
{
    const QString origin = originOf(url);
    return origin.isEmpty() ? url.scheme() + QLatin1Char(':') : origin;
}
