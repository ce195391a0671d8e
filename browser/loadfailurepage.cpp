#include "loadfailurepage.h"

#include "certificateerrortext.h"
#include "settings/addresscleaning.h"

#include <QDebug>
#include <QJsonDocument>
#include <QWebEngineCertificateError>
#include <QWebEngineLoadingInfo>
#include <QWebEnginePage>

namespace {
// The network stack's code for a navigation that was stopped, or that became a download.
constexpr int Aborted = -3;
// Where the restart button leads: a fragment of the failure page itself, which no server can reach.
const QString RestartFragment = QStringLiteral("restart");

// The network stack's codes that mean this computer has no usable network, rather than a server
// that does not answer.
bool meansNoNetwork(int errorCode)
{
    constexpr int NetworkChanged = -21;
    constexpr int InternetDisconnected = -106;
    constexpr int AddressUnreachable = -109;
    constexpr int NameResolutionFailed = -137; // the name server itself cannot be reached
    return errorCode == NetworkChanged || errorCode == InternetDisconnected || errorCode == AddressUnreachable
            || errorCode == NameResolutionFailed;
}

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
        return LoadFailurePage::tr("<p>Source: the <code>Server</code> setting in <code>%1</code></p>").arg(file)
                + QLatin1Char('\n');
    QString text = LoadFailurePage::tr("<p>Source: the built-in start page</p>") + QLatin1Char('\n');
    if (source.placeholderHost) {
        text += LoadFailurePage::tr("<p>This build names no server: set one with the <code>Server</code> key in "
                                    "<code>%1</code>, or build Mirel with "
                                    "<code>-DMIREL_START_HOST=<i>your-host</i></code>.</p>")
                    .arg(file)
                + QLatin1Char('\n');
    }
    return text;
}

// What the person does about a page that could not be reached: check the network, or tell the
// server's administrator, who for the start page is the one of the setting shown above.
QString connectionAdviceHtml(int errorCode, const QUrl &url, const QUrl &startPage, const StartPageSource &source)
{
    if (meansNoNetwork(errorCode))
        return LoadFailurePage::tr("Check the network connection.");
    const QString host = url.host().toHtmlEscaped();
    if (source.fromSetting && comparable(url) == comparable(startPage))
        return LoadFailurePage::tr("The server did not answer: it may be down, or its name unknown. If this goes on, "
                                   "tell the administrator of <code>%1</code>, the server that the <code>Server</code> "
                                   "setting above names.")
            .arg(host);
    return LoadFailurePage::tr("The server did not answer: it may be down, or its name unknown. If this goes on, "
                               "tell the administrator of <code>%1</code>.")
        .arg(host);
}

// The frame both failure pages share; `body` comes after the address and the source.
QString pageHtml(const QString &title, const QString &heading, const QUrl &url, const QString &body,
                 const QUrl &startPage, const StartPageSource &source)
{
    const QString address = url.toDisplayString().toHtmlEscaped();
    const QString target = QString::fromUtf8(url.toEncoded()).toHtmlEscaped();
    return QStringLiteral(R"(<!doctype html>
<html><head><meta charset="utf-8"><title>%1</title>
<style>
body { font-family: sans-serif; color: #1f2933; background: #f4f6f8; margin: 0; display: flex;
       align-items: center; justify-content: center; min-height: 100vh; }
main { background: #fff; border: 1px solid #d5dbe1; border-radius: 8px; padding: 2em 2.5em; max-width: 36em; }
h1 { font-size: 1.3em; margin-top: 0; }
code { word-break: break-all; background: #eef1f4; padding: 0.1em 0.3em; border-radius: 3px; }
pre { white-space: pre-wrap; word-break: break-all; background: #eef1f4; padding: 0.5em; border-radius: 3px; }
a.retry { display: inline-block; margin: 1em 0.5em 0 0; padding: 0.5em 1.4em; background: #1769aa; color: #fff;
          border-radius: 4px; text-decoration: none; }
</style></head>
<body><main>
<h1>%2</h1>
<p>%3 <code>%4</code></p>
%5%6<a class="retry" id="retry" href="%7" autofocus>%8</a>
</main></body></html>
)")
        .arg(title, heading, LoadFailurePage::tr("Address:"), address, sourceHtml(url, startPage, source), body,
             target, LoadFailurePage::tr("Retry"));
}

// Counts down in the page and then follows the Retry link, replacing this page in the history.
QString countdownScript(int seconds)
{
    const auto quoted = [](const QString &text) {
        return QString::fromUtf8(QJsonDocument::fromVariant(QVariantList{text}).toJson(QJsonDocument::Compact));
    };
    return QStringLiteral(R"(<script>
const [pattern] = %1;
let left = %2;
const countdown = document.getElementById("countdown");
const tick = setInterval(() => {
    left -= 1;
    countdown.textContent = pattern.replace("%3", Math.max(left, 0));
    if (left <= 0) {
        clearInterval(tick);
        location.replace(document.getElementById("retry").href);
    }
}, 1000);
</script>
)")
        .arg(quoted(LoadFailurePage::tr("Trying again in %1 s.")), QString::number(seconds), QStringLiteral("%1"));
}
} // namespace

LoadFailurePage::LoadFailurePage(QWebEnginePage *page, const QUrl &startPage, const StartPageSource &source,
                                 int retrySeconds, QObject *parent)
    : QObject(parent)
    , m_page(page)
    , m_startPage(startPage)
    , m_source(source)
    , m_retrySeconds(retrySeconds)
{
    connect(page, &QWebEnginePage::loadingChanged, this, &LoadFailurePage::onLoadingChanged);
    // The restart button changes only the fragment of the failure page's own address.
    connect(page, &QWebEnginePage::urlChanged, this, [this](const QUrl &url) {
        if (url.scheme() == QLatin1String("data") && url.fragment() == RestartFragment)
            emit restartRequested();
    });
}

void LoadFailurePage::onLoadingChanged(const QWebEngineLoadingInfo &info)
{
    if (info.status() != QWebEngineLoadingInfo::LoadFailedStatus || info.errorCode() == Aborted)
        return;
    QString page;
    switch (info.errorDomain()) {
    case QWebEngineLoadingInfo::ConnectionErrorDomain:
    case QWebEngineLoadingInfo::DnsErrorDomain:
        page = html(info.url(), info.errorCode(), info.errorString(), m_startPage, m_source, m_retrySeconds);
        break;
    case QWebEngineLoadingInfo::CertificateErrorDomain:
        page = certificateHtml(info.url(), info.errorCode(), info.errorString(), m_startPage, m_source);
        break;
    default:
        return;
    }
    qDebug() << "Page not loaded:" << cleanedAddress(info.url()) << info.errorString();
    // No base URL: the page gets an opaque origin, which the bridge is never published to.
    m_page->setHtml(page);
}

QString LoadFailurePage::html(const QUrl &url, int errorCode, const QString &reason, const QUrl &startPage,
                              const StartPageSource &source, int retrySeconds)
{
    const QString body = QStringLiteral("<p>%1 %2</p>\n<p>%3 <span id=\"countdown\">%4</span></p>\n%5")
                             .arg(tr("Reason:"), reason.toHtmlEscaped(),
                                  connectionAdviceHtml(errorCode, url, startPage, source),
                                  tr("Trying again in %1 s.").arg(retrySeconds), countdownScript(retrySeconds));
    return pageHtml(tr("Page not available"), tr("The page could not be loaded"), url, body, startPage, source);
}

QString LoadFailurePage::certificateHtml(const QUrl &url, int errorCode, const QString &reason, const QUrl &startPage,
                                         const StartPageSource &source)
{
    QString body = QStringLiteral("<p>%1 %2 (%3).</p>\n<p>%4</p>\n%5")
                       .arg(tr("Reason:"), CertificateErrorText::reason(errorCode).toHtmlEscaped(),
                            reason.toHtmlEscaped(),
                            tr("Mirel refused the connection, so nothing of the page was loaded."),
                            CertificateErrorText::adviceHtml(errorCode, url.host()));
    // An authority installed meanwhile counts only for a new run.
    if (errorCode == QWebEngineCertificateError::CertificateAuthorityInvalid)
        body += QStringLiteral("<a class=\"retry\" id=\"restart\" href=\"#%1\">%2</a>")
                    .arg(RestartFragment, tr("Restart Mirel"));
    return pageHtml(tr("Server not trusted"), tr("The server's certificate is not trusted"), url, body, startPage,
                    source);
}
