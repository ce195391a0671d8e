#pragma once

#include "bridge/originpolicy.h"

#include <QObject>
#include <QStringList>
#include <QWebEngineNavigationRequest>

#include <optional>

class QWebEnginePage;

// Keeps what a page does inside its page. An address for another program (mailto:, tel:, any
// scheme the engine does not load itself) goes to the desktop only on a trusted page's request,
// and only for the schemes handed over; the program's own pages (qrc:) and local files (file:)
// load only as the program's own loads or from a page of the same scheme. Every navigation is
// judged by the page that shows when it is asked for, since a page's settings stay while its
// document changes origin.
class NavigationGuard final : public QObject
{
    Q_OBJECT
public:
    enum class Verdict { Load, HandOver, RefuseExternal, RefuseLocal };
    Q_ENUM(Verdict)

    // Dies with `page`. `trustedPages` empty: no page of this one is trusted (a popup's).
    // `administratorSchemes`: the "ExternalSchemes" setting, schemes handed over besides the usual.
    // `opener`: the address of the page that opened this one, which asks for its first document.
    NavigationGuard(QWebEnginePage *page, std::optional<OriginPolicy> trustedPages,
                    const QString &administratorSchemes, const QUrl &opener = QUrl());

    // The schemes a trusted page may hand to the desktop: mailto and tel, and those listed
    // (space-separated, with or without the colon), in lower case.
    static QStringList handedSchemes(const QString &administratorSchemes);
    // What becomes of a navigation to `target` asked for while `shown` is the page's address;
    // `shownTrusted`: the policy trusts that page.
    static Verdict judge(const QUrl &shown, bool shownTrusted, const QUrl &target,
                         QWebEngineNavigationRequest::NavigationType type, bool mainFrame,
                         const QStringList &handedSchemes);

private:
    void onNavigationRequested(QWebEngineNavigationRequest &request);

    QWebEnginePage *const m_page;
    const std::optional<OriginPolicy> m_trustedPages;
    const QStringList m_handedSchemes;
    const QUrl m_opener;
};
