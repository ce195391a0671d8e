#include "navigationguard.h"

#include <QDebug>
#include <QWebEnginePage>

namespace {
// The only addresses a trusted page hands to other programs unless an administrator adds some.
const QStringList UsualHandedSchemes{QStringLiteral("mailto"), QStringLiteral("tel")};
// What the engine loads itself; any other scheme would be passed to the desktop.
const QStringList EngineSchemes{
        QStringLiteral("http"),  QStringLiteral("https"), QStringLiteral("ws"),    QStringLiteral("wss"),
        QStringLiteral("file"),  QStringLiteral("qrc"),   QStringLiteral("data"),  QStringLiteral("blob"),
        QStringLiteral("about"), QStringLiteral("javascript")};
// Local content: loaded from anywhere, it would show the program's pages or the person's files.
const QStringList LocalSchemes{QStringLiteral("qrc"), QStringLiteral("file")};
} // namespace

NavigationGuard::NavigationGuard(QWebEnginePage *page, std::optional<OriginPolicy> trustedPages,
                                 const QString &administratorSchemes, const QUrl &opener)
    : QObject(page)
    , m_page(page)
    , m_trustedPages(std::move(trustedPages))
    , m_handedSchemes(handedSchemes(administratorSchemes))
    , m_opener(opener)
{
    connect(page, &QWebEnginePage::navigationRequested, this, &NavigationGuard::onNavigationRequested);
}

QStringList NavigationGuard::handedSchemes(const QString &administratorSchemes)
{
    QStringList schemes = UsualHandedSchemes;
    for (QString scheme : administratorSchemes.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        if (scheme.endsWith(QLatin1Char(':')))
            scheme.chop(1);
        scheme = scheme.toLower();
        if (!scheme.isEmpty() && !schemes.contains(scheme))
            schemes.append(scheme);
    }
    return schemes;
}

NavigationGuard::Verdict NavigationGuard::judge(const QUrl &shown, bool shownTrusted, const QUrl &target,
                                                QWebEngineNavigationRequest::NavigationType type, bool mainFrame,
                                                const QStringList &handedSchemes)
{
    const QString scheme = target.scheme().toLower();
    if (!EngineSchemes.contains(scheme)) {
        // A frame's own origin is unknown here: only the trusted page's main frame may hand over.
        return shownTrusted && mainFrame && handedSchemes.contains(scheme) ? Verdict::HandOver
                                                                           : Verdict::RefuseExternal;
    }
    if (!LocalSchemes.contains(scheme))
        return Verdict::Load;
    // The program's own loads (the start page, its reload after a crash), and the way back to a
    // page that was shown: no page can ask for either.
    if (type == QWebEngineNavigationRequest::TypedNavigation
        || type == QWebEngineNavigationRequest::BackForwardNavigation)
        return Verdict::Load;
    // A data: main frame is the program's own page for a page that could not be loaded: the
    // engine lets no page navigate a main frame to data:.
    const QString from = shown.scheme().toLower();
    return from == scheme || from == QLatin1String("data") ? Verdict::Load : Verdict::RefuseLocal;
}

void NavigationGuard::onNavigationRequested(QWebEngineNavigationRequest &request)
{
    const QUrl shown = m_page->url().isEmpty() ? m_opener : m_page->url();
    const bool trusted = m_trustedPages && m_trustedPages->allows(shown);
    const QString scheme = request.url().scheme().toLower();
    switch (judge(shown, trusted, request.url(), request.navigationType(), request.isMainFrame(), m_handedSchemes)) {
    case Verdict::Load:
        return;
    case Verdict::HandOver:
        // The scheme only: the address may carry a person's data.
        qDebug() << "External address handed to the desktop:" << scheme;
        return;
    case Verdict::RefuseExternal:
        request.reject();
        qDebug() << "External address refused:" << scheme << "for" << OriginPolicy::nameOf(shown);
        return;
    case Verdict::RefuseLocal:
        request.reject();
        if (scheme == QLatin1String("qrc"))
            qDebug() << "Navigation refused, a bundled page asked by" << OriginPolicy::nameOf(shown);
        else
            qDebug() << "Navigation refused, a local file asked by" << OriginPolicy::nameOf(shown);
        return;
    }
}
