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
    runOnBundledPages(page, QStringLiteral("mirel-log-file"),
                      QStringLiteral("const element = document.getElementById('log-file');"
                                     " if (element) element.textContent = %1[0];")
                              .arg(quoted));
}

void runOnBundledPages(QWebEnginePage *page, const QString &name, const QString &script)
{
    QWebEngineScript note;
    note.setName(name);
    note.setInjectionPoint(QWebEngineScript::DocumentReady);
    note.setWorldId(QWebEngineScript::ApplicationWorld);
    note.setRunsOnSubFrames(false);
    note.setSourceCode(QStringLiteral("if (location.protocol === 'qrc:') { %1 }").arg(script));
    page->scripts().insert(note);
}
