#pragma once

#include <QObject>
#include <QString>
#include <QUrl>

class QWebEngineLoadingInfo;
class QWebEnginePage;

// When a page cannot be reached at all (no network, name not found, server down, certificate
// refused), shows a small local page naming the address and the reason, with a Retry button,
// instead of the engine's bare error. Pages the server answers, even with an error, are left.
class LoadFailurePage final : public QObject
{
    Q_OBJECT
public:
    explicit LoadFailurePage(QWebEnginePage *page, QObject *parent = nullptr);

    static QString html(const QUrl &url, const QString &reason);

private:
    void onLoadingChanged(const QWebEngineLoadingInfo &info);

    QWebEnginePage *m_page;
};
