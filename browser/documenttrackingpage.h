#pragma once

#include "browserpage.h"

#include <QString>

// The window's page, which says when its main frame starts a new document (a load, a reload, a
// navigation), and not for a navigation that ends as a download, a change of the URL's fragment
// or history.pushState. The engine has no signal for that before the document's own scripts
// run, so a script of a private world announces each new document on the console.
class DocumentTrackingPage final : public BrowserPage
{
    Q_OBJECT
public:
    // `profile` must outlive the page.
    DocumentTrackingPage(QWebEngineProfile *profile, QObject *parent = nullptr);

signals:
    // Before any script of the new document runs, and so before any bridge call it makes.
    void documentCreated();

protected:
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString &message, int lineNumber,
                                  const QString &sourceId) override;

private:
    // Random per page: a page cannot read a private world's script, so it cannot fake the note.
    const QString m_announcement;
};
