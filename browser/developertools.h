#pragma once

#include <QObject>
#include <QPointer>

class QMenu;
class QWebEngineView;

// The engine's developer tools for the page of `inspected`, for a window whose administrator
// allows them: F12 and Ctrl+Shift+I (while that window is active) show them in a window of their
// own, made on first use and brought forward afterwards, and the page's context menu, where the
// window shows one, gets the engine's Inspect. Made only where allowed: without it nothing opens.
class DeveloperTools final : public QObject
{
    Q_OBJECT
public:
    DeveloperTools(QWebEngineView *inspected, QObject *parent);

    void show();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void attach();
    void addInspect(QMenu *menu);

    QWebEngineView *m_inspected;
    // A window of its own, deleted with the inspected view.
    QPointer<QWebEngineView> m_tools;
};
