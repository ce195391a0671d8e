#pragma once

#include "bridge/originpolicy.h"

#include <QObject>

class QUrl;
class QWebEngineView;

// What a window's page may ask of the window besides the bridge. Pages the policy trusts may
// write to the clipboard, go full screen and open windows by script alone; reading the
// clipboard by script and everything else (notifications, location, camera, microphone,
// screen capture) is refused at once, so the page's promise settles, with one line of the log
// naming the request and the origin.
class PagePermissions final : public QObject
{
    Q_OBJECT
public:
    // `policy`: the pages that get the bridge.
    PagePermissions(QWebEngineView *view, OriginPolicy policy, QObject *parent = nullptr);

private:
    void applyTrust(const QUrl &url);
    void refuse(const char *what, const QUrl &origin) const;

    QWebEngineView *m_view;
    const OriginPolicy m_policy;
};
