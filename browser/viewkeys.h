#pragma once

#include <QObject>
#include <Qt>

class QKeySequence;
class QShortcut;
class QWheelEvent;
class QWebEngineView;

// The keys people expect of a browser window, on a view and the window it sits in: reload
// (F5, Ctrl+R), reload past the cache (Ctrl+F5, Ctrl+Shift+R), back and forward (Alt+Left/Right),
// zoom in, out and back to actual size (Ctrl with +, - and 0, on the keypad too). They act only
// while that window is active, so never while a dialog has the focus. Ctrl and the mouse wheel zoom in the same steps. Lives as the view's child.
class ViewKeys final : public QObject
{
    Q_OBJECT
public:
    explicit ViewKeys(QWebEngineView *view);

    // The zoom after one step in or out from `factor`, along the usual browser steps.
    static qreal nextZoom(qreal factor, bool in);

signals:
    // The person zoomed the view (with keys or the wheel) to `factor`.
    void zoomChanged(qreal factor);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void add(const QList<QKeySequence> &keys, void (ViewKeys::*action)());
    void reload();
    void reloadBypassingCache();
    void back();
    void forward();
    void zoomIn();
    void zoomOut();
    void zoomReset();
    void setZoom(qreal factor);
    bool wheelZoom(const QWheelEvent &event);

    QWebEngineView *m_view;
    // Wheel turns not yet made into a step (touchpads send fractions of one).
    int m_wheelDelta = 0;
};
