#pragma once

#include <QSet>
#include <QString>
#include <QUrl>

// Which pages may use the bridge: those of the start page's origin (scheme, host, port) and of
// the origins listed in the "TrustedOrigins" setting. A start page without a host (file:, qrc:)
// trusts pages of its own scheme only.
class OriginPolicy final
{
public:
    // trustedOrigins: space-separated origins such as "https://sso.example.com:8443".
    OriginPolicy(const QUrl &startPage, const QString &trustedOrigins);

    bool allows(const QUrl &page) const;
    // Whether `page` may become the start page: one the policy allows, or one of a listed
    // origin even where a start page without a host trusts only its own scheme.
    bool allowsAsStartPage(const QUrl &page) const;

    // "scheme://host:port" with the scheme's default port filled in; empty without a host.
    static QString originOf(const QUrl &url);
    // For the log: the origin, or "scheme:" for a page without a host (file:, data:).
    static QString nameOf(const QUrl &url);

private:
    QString m_hostlessScheme;
    QSet<QString> m_origins;
    QSet<QString> m_listed;
};
