#include "logfilenote.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>

void showLogFileOnBundledPages(QWebEnginePage *page, const QString &path)
{
    // The path as a one-element JSON array: quotes and backslashes come out escaped.
    const QString quoted =
        QString::fromUtf8(QJsonDocument(QJsonArray{QDir::toNativeSeparators(path)}).toJson(QJsonDocument::Compact));
    QWebEngineScript note;
    note.setName(QStringLiteral("mirel-log-file"));
    note.setInjectionPoint(QWebEngineScript::DocumentReady);
    note.setWorldId(QWebEngineScript::ApplicationWorld);
    note.setRunsOnSubFrames(false);
    note.setSourceCode(QStringLiteral("if (location.protocol === 'qrc:') {"
                                      " const element = document.getElementById('log-file');"
                                      " if (element) element.textContent = %1[0]; }")
                           .arg(quoted));
    page->scripts().insert(note);
}
