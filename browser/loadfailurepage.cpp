#include "loadfailurepage.h"

#include <QDebug>
#include <QWebEngineLoadingInfo>
#include <QWebEnginePage>

namespace {
// The network stack's code for a navigation that was stopped, or that became a download.
constexpr int Aborted = -3;

// The engine reports "https://host" as "https://host/", and "a/./b" as "a/b".
QUrl comparable(QUrl url)
{
    if (url.path().isEmpty())
        url.setPath(QStringLiteral("/"));
    return url.adjusted(QUrl::NormalizePathSegments);
}

// Paragraphs naming where the start page's address comes from; none for any other address,
// which a link or a redirect led to.
QString sourceHtml(const QUrl &url, const QUrl &startPage, const StartPageSource &source)
{
    if (comparable(url) != comparable(startPage))
        return QString();
    const QString file = source.settingsFile.toHtmlEscaped();
    if (source.fromSetting)
        return QStringLiteral("<p>Source: the <code>Server</code> setting in <code>%1</code></p>\n").arg(file);
    QString text = QStringLiteral("<p>Source: the built-in start page</p>\n");
    if (source.placeholderHost) {
        text += QStringLiteral("<p>This build names no server: set one with the <code>Server</code> key in "
                               "<code>%1</code>, or build Mirel with "
                               "<code>-DMIREL_START_HOST=<i>your-host</i></code>.</p>\n")
                    .arg(file);
    }
    return text;
}
} // namespace

LoadFailurePage::LoadFailurePage(QWebEnginePage *page, const QUrl &startPage, const StartPageSource &source,
                                 QObject *parent)
    : QObject(parent)
    , m_page(page)
    , m_startPage(startPage)
    , m_source(source)
{
    connect(page, &QWebEnginePage::loadingChanged, this, &LoadFailurePage::onLoadingChanged);
}

void LoadFailurePage::onLoadingChanged(const QWebEngineLoadingInfo &info)
{
    if (info.status() != QWebEngineLoadingInfo::LoadFailedStatus || info.errorCode() == Aborted)
        return;
    switch (info.errorDomain()) {
    case QWebEngineLoadingInfo::ConnectionErrorDomain:
    case QWebEngineLoadingInfo::DnsErrorDomain:
    case QWebEngineLoadingInfo::CertificateErrorDomain:
        break;
    default:
        return;
    }
    qDebug() << "Page not loaded:" << info.url() << info.errorString();
    // No base URL: the page gets an opaque origin, which the bridge is never published to.
    m_page->setHtml(html(info.url(), info.errorString(), m_startPage, m_source));
}

QString LoadFailurePage::html(const QUrl &url, const QString &reason, const QUrl &startPage,
                              const StartPageSource &source)
{
    const QString address = url.toDisplayString().toHtmlEscaped();
    const QString target = QString::fromUtf8(url.toEncoded()).toHtmlEscaped();
    return QStringLiteral(R"(<!doctype html>
<html><head><meta charset="utf-8"><title>Page not available</title>
<style>
body { font-family: sans-serif; color: #1f2933; background: #f4f6f8; margin: 0; display: flex;
       align-items: center; justify-content: center; min-height: 100vh; }
main { background: #fff; border: 1px solid #d5dbe1; border-radius: 8px; padding: 2em 2.5em; max-width: 36em; }
h1 { font-size: 1.3em; margin-top: 0; }
code { word-break: break-all; background: #eef1f4; padding: 0.1em 0.3em; border-radius: 3px; }
a.retry { display: inline-block; margin-top: 1em; padding: 0.5em 1.4em; background: #1769aa; color: #fff;
          border-radius: 4px; text-decoration: none; }
</style></head>
<body><main>
<h1>The page could not be loaded</h1>
<p>Address: <code>%1</code></p>
%4<p>Reason: %2</p>
<p>Check the network connection, then try again.</p>
<a class="retry" id="retry" href="%3" autofocus>Retry</a>
</main></body></html>
)")
        .arg(address, reason.toHtmlEscaped(), target, sourceHtml(url, startPage, source));
}
