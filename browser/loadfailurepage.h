#pragma once

#include "app/startupoptions.h"

#include <QObject>
#include <QString>
#include <QUrl>

class QWebEngineLoadingInfo;
class QWebEnginePage;

// When a page cannot be reached at all (no network, name not found, server down, certificate
// refused), shows a small local page naming the address and the reason, with a Retry button,
// instead of the engine's bare error. Pages the server answers, even with an error, are left.
// For the start page it also says where its address comes from, so that the person at the
// screen knows what to change.
class LoadFailurePage final : public QObject
{
    Q_OBJECT
public:
    LoadFailurePage(QWebEnginePage *page, const QUrl &startPage, const StartPageSource &source,
                    QObject *parent = nullptr);

    static QString html(const QUrl &url, const QString &reason, const QUrl &startPage,
                        const StartPageSource &source);

private:
    void onLoadingChanged(const QWebEngineLoadingInfo &info);

    QWebEnginePage *m_page;
    const QUrl m_startPage;
    const StartPageSource m_source;
};
