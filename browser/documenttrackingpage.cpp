#include "documenttrackingpage.h"

#include <QUuid>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>

DocumentTrackingPage::DocumentTrackingPage(QWebEngineProfile *profile, QObject *parent)
    : BrowserPage(profile, parent)
    , m_announcement(QStringLiteral("mirel-document-") + QUuid::createUuid().toString(QUuid::WithoutBraces))
{
    QWebEngineScript announce;
    announce.setName(QStringLiteral("mirel-document"));
    announce.setInjectionPoint(QWebEngineScript::DocumentCreation);
    announce.setWorldId(QWebEngineScript::ApplicationWorld);
    announce.setRunsOnSubFrames(false);
    announce.setSourceCode(QStringLiteral("console.log('%1');").arg(m_announcement));
    scripts().insert(announce);
}

void DocumentTrackingPage::javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString &message,
                                                    int lineNumber, const QString &sourceId)
{
    if (level == InfoMessageLevel && message == m_announcement) {
        emit documentCreated();
        return;
    }
    BrowserPage::javaScriptConsoleMessage(level, message, lineNumber, sourceId);
}
