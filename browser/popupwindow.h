#pragma once

#include <QWebEngineView>

class QWebEngineProfile;

// A window a page opened (window.open, a link with target="_blank"). Its page shares the
// opener's profile, so cookies and a sign-in carry over, and has no web channel, so it never
// gets the bridge. It shows its page's title and closes, and is deleted, on window.close().
class PopupWindow final : public QWebEngineView
{
    Q_OBJECT
public:
    // `owner`: the main window, which closes and deletes it with itself.
    PopupWindow(QWebEngineProfile *profile, QWidget *owner);
};
