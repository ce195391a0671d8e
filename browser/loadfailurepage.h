#pragma once

#include "settings/startupoptions.h"

#include <QObject>
#include <QString>
#include <QUrl>

class QWebEngineLoadingInfo;
class QWebEnginePage;

// When a page cannot be reached at all (no network, name not found, server down, certificate
// refused), shows a small local page naming the address and the reason, with a Retry button,
// instead of the engine's bare error. Pages the server answers, even with an error, are left.
// For the start page it also says where its address comes from, so that the person at the
// screen knows what to change. A station often starts before its network or its server: the
// page for those failures tries again by itself every `retrySeconds`, until a page loads. A
// refused certificate is not retried: it says what an administrator has to change, and for an
// authority to install, offers to restart Mirel (the engine checks a certificate once per run).
class LoadFailurePage final : public QObject
{
    Q_OBJECT
public:
    static constexpr int DefaultRetrySeconds = 10;

    LoadFailurePage(QWebEnginePage *page, const QUrl &startPage, const StartPageSource &source,
                    int retrySeconds = DefaultRetrySeconds, QObject *parent = nullptr);

    // `errorCode` is the network stack's (QWebEngineLoadingInfo::errorCode()), `reason` its words.
    static QString html(const QUrl &url, int errorCode, const QString &reason, const QUrl &startPage,
                        const StartPageSource &source, int retrySeconds = DefaultRetrySeconds);
    // `errorCode` is the engine's (QWebEngineCertificateError::Type), `reason` its own words.
    static QString certificateHtml(const QUrl &url, int errorCode, const QString &reason, const QUrl &startPage,
                                   const StartPageSource &source);

signals:
    // The person asked to restart Mirel from the certificate page: the program ends and starts again.
    void restartRequested();

private:
    void onLoadingChanged(const QWebEngineLoadingInfo &info);

    QWebEnginePage *m_page;
    const QUrl m_startPage;
    const StartPageSource m_source;
    const int m_retrySeconds;
};
