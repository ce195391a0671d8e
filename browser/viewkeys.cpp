#include "viewkeys.h"

#include <QEvent>
#include <QKeySequence>
#include <QShortcut>
#include <QWheelEvent>
#include <QWebEngineHistory>
#include <QWebEnginePage>
#include <QWebEngineView>

#include <algorithm>
#include <array>

namespace {
// The steps most browsers zoom by; the engine takes 0.25 to 5.
constexpr std::array<qreal, 17> ZoomSteps = {0.25, 0.33, 0.5, 0.67, 0.75, 0.8, 0.9, 1.0, 1.1,
                                             1.25, 1.5, 1.75, 2.0, 2.5, 3.0, 4.0, 5.0};

// A standard key's bindings with `extra` added, without a bare Backspace: Windows binds it to
// Back, which would turn the page away whenever a person deletes a letter outside a text field.
QList<QKeySequence> keys(QKeySequence::StandardKey standard, const QList<QKeySequence> &extra)
{
    QList<QKeySequence> all = QKeySequence::keyBindings(standard);
    all.removeAll(QKeySequence(Qt::Key_Backspace));
    all.removeAll(QKeySequence(Qt::SHIFT | Qt::Key_Backspace));
    for (const QKeySequence &key : extra) {
        if (!all.contains(key))
            all.append(key);
    }
    return all;
}
} // namespace

ViewKeys::ViewKeys(QWebEngineView *view)
    : QObject(view)
    , m_view(view)
{
    add(keys(QKeySequence::Refresh, {Qt::Key_F5, Qt::CTRL | Qt::Key_R}), &ViewKeys::reload);
    add({Qt::CTRL | Qt::Key_F5, Qt::CTRL | Qt::SHIFT | Qt::Key_R}, &ViewKeys::reloadBypassingCache);
    add(keys(QKeySequence::Back, {Qt::ALT | Qt::Key_Left, Qt::Key_Back}), &ViewKeys::back);
    add(keys(QKeySequence::Forward, {Qt::ALT | Qt::Key_Right, Qt::Key_Forward}), &ViewKeys::forward);
    // Ctrl and "+" also matches it typed with Shift (Shift and "=" on many layouts) and on the
    // keypad, as the toolkit tries a key again without those; Ctrl and "=" is "+" without Shift.
    // No two bindings may match one key press: the toolkit then runs neither.
    add(keys(QKeySequence::ZoomIn, {Qt::CTRL | Qt::Key_Plus, Qt::CTRL | Qt::Key_Equal}), &ViewKeys::zoomIn);
    add(keys(QKeySequence::ZoomOut, {Qt::CTRL | Qt::Key_Minus}), &ViewKeys::zoomOut);
    add({Qt::CTRL | Qt::Key_0}, &ViewKeys::zoomReset);

    // The wheel turns reach the widget that draws the page, which the view replaces when the
    // page's renderer is replaced. (The engine itself goes back and forward with the mouse's side
    // buttons.)
    view->installEventFilter(this);
    for (QWidget *child : view->findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
        child->installEventFilter(this);
}

qreal ViewKeys::nextZoom(qreal factor, bool in)
{
    constexpr qreal Slack = 0.001;
    if (in) {
        const auto next = std::find_if(ZoomSteps.cbegin(), ZoomSteps.cend(),
                                       [factor](qreal step) { return step > factor + Slack; });
        return next == ZoomSteps.cend() ? ZoomSteps.back() : *next;
    }
    const auto next = std::find_if(ZoomSteps.crbegin(), ZoomSteps.crend(),
                                   [factor](qreal step) { return step < factor - Slack; });
    return next == ZoomSteps.crend() ? ZoomSteps.front() : *next;
}

bool ViewKeys::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_view) {
        if (event->type() == QEvent::ChildAdded)
            static_cast<QChildEvent *>(event)->child()->installEventFilter(this);
        return false;
    }
    return event->type() == QEvent::Wheel && wheelZoom(*static_cast<QWheelEvent *>(event));
}

void ViewKeys::add(const QList<QKeySequence> &sequences, void (ViewKeys::*action)())
{
    for (const QKeySequence &sequence : sequences) {
        auto *shortcut = new QShortcut(sequence, m_view, this, action);
        shortcut->setContext(Qt::WindowShortcut);
    }
}

void ViewKeys::reload()
{
    m_view->page()->triggerAction(QWebEnginePage::Reload);
}

void ViewKeys::reloadBypassingCache()
{
    m_view->page()->triggerAction(QWebEnginePage::ReloadAndBypassCache);
}

void ViewKeys::back()
{
    m_view->page()->triggerAction(QWebEnginePage::Back);
}

void ViewKeys::forward()
{
    m_view->page()->triggerAction(QWebEnginePage::Forward);
}

void ViewKeys::zoomIn()
{
    setZoom(nextZoom(m_view->zoomFactor(), true));
}

void ViewKeys::zoomOut()
{
    setZoom(nextZoom(m_view->zoomFactor(), false));
}

void ViewKeys::zoomReset()
{
    setZoom(1.0);
}

void ViewKeys::setZoom(qreal factor)
{
    m_view->setZoomFactor(factor);
    emit zoomChanged(m_view->zoomFactor());
}

bool ViewKeys::wheelZoom(const QWheelEvent &event)
{
    if (!(event.modifiers() & Qt::ControlModifier))
        return false;
    // Handled here rather than by the engine, which zooms in steps of its own and says nothing.
    m_wheelDelta += event.angleDelta().y();
    for (; m_wheelDelta >= QWheelEvent::DefaultDeltasPerStep; m_wheelDelta -= QWheelEvent::DefaultDeltasPerStep)
        zoomIn();
    for (; m_wheelDelta <= -QWheelEvent::DefaultDeltasPerStep; m_wheelDelta += QWheelEvent::DefaultDeltasPerStep)
        zoomOut();
    return true;
}
