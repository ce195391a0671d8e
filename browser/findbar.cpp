#include "findbar.h"

#include <QDebug>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QShortcut>
#include <QToolButton>
#include <QWebEngineFindTextResult>
#include <QWebEnginePage>
#include <QWebEngineView>

namespace {
bool isReturn(const QKeyEvent &key)
{
    return key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter;
}
} // namespace

FindBar::FindBar(QWebEngineView *view, QWidget *parent)
    : QWidget(parent)
    , m_view(view)
    , m_field(new QLineEdit(this))
    , m_result(new QLabel(this))
{
    m_field->setPlaceholderText(tr("Find in page"));
    m_field->installEventFilter(this);
    auto *previous = new QToolButton(this);
    previous->setArrowType(Qt::UpArrow);
    previous->setToolTip(tr("Previous match (Shift+F3)"));
    auto *next = new QToolButton(this);
    next->setArrowType(Qt::DownArrow);
    next->setToolTip(tr("Next match (F3)"));
    auto *closeButton = new QToolButton(this);
    closeButton->setText(QStringLiteral("×"));
    closeButton->setToolTip(tr("Close the find bar (Escape)"));
    closeButton->setAutoRaise(true);

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(6, 3, 6, 3);
    layout->addWidget(m_field, 1);
    layout->addWidget(m_result);
    layout->addWidget(previous);
    layout->addWidget(next);
    layout->addWidget(closeButton);
    hide();

    connect(m_field, &QLineEdit::textEdited, this, [this] { find(false); });
    connect(previous, &QToolButton::clicked, this, [this] { find(true); });
    connect(next, &QToolButton::clicked, this, [this] { find(false); });
    connect(closeButton, &QToolButton::clicked, this, &FindBar::close);
    // The engine answers every search with its count, the one typed in the field as the ones of the keys.
    connect(view->page(), &QWebEnginePage::findTextFinished, this, &FindBar::showResult);
    // On the view, which stays visible: a shortcut of a hidden widget never fires.
    const auto addKey = [this, view](const QKeySequence &key, bool backward) {
        auto *shortcut = new QShortcut(key, view, this, [this, backward] {
            if (isHidden())
                open();
            else
                find(backward);
        });
        shortcut->setContext(Qt::WindowShortcut);
    };
    addKey(QKeySequence(Qt::Key_F3), false);
    addKey(QKeySequence(Qt::SHIFT | Qt::Key_F3), true);
}

void FindBar::open()
{
    if (isVisible()) {
        m_field->selectAll();
    } else {
        show();
        if (!m_field->text().isEmpty())
            find(false);
    }
    m_field->setFocus(Qt::ShortcutFocusReason);
}

bool FindBar::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_field || (event->type() != QEvent::ShortcutOverride && event->type() != QEvent::KeyPress))
        return false;
    const auto *key = static_cast<QKeyEvent *>(event);
    if (key->key() != Qt::Key_Escape && !isReturn(*key))
        return false;
    // Taken from the window's shortcuts (Escape leaves full screen there) while the field has the focus.
    if (event->type() == QEvent::ShortcutOverride) {
        event->accept();
        return true;
    }
    if (key->key() == Qt::Key_Escape)
        close();
    else
        find(key->modifiers() & Qt::ShiftModifier);
    return true;
}

void FindBar::find(bool backward)
{
    const QString text = m_field->text();
    if (text.isEmpty())
        m_result->clear();
    m_view->page()->findText(text, backward ? QWebEnginePage::FindBackward : QWebEnginePage::FindFlags());
}

void FindBar::close()
{
    hide();
    m_result->clear();
    m_view->page()->findText(QString());
    m_view->setFocus(Qt::OtherFocusReason);
}

void FindBar::showResult(const QWebEngineFindTextResult &result)
{
    if (isHidden() || m_field->text().isEmpty())
        return;
    if (result.numberOfMatches() == 0)
        m_result->setText(tr("No matches"));
    else
        m_result->setText(tr("%1 of %2").arg(result.activeMatch()).arg(result.numberOfMatches()));
    qDebug() << "Find in page:" << result.activeMatch() << "of" << result.numberOfMatches();
}
