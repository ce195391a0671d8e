#include "developertools.h"

#include <QAction>
#include <QChildEvent>
#include <QMenu>
#include <QShortcut>
#include <QWebEnginePage>
#include <QWebEngineView>

DeveloperTools::DeveloperTools(QWebEngineView *inspected, QObject *parent)
    : QObject(parent)
    , m_inspected(inspected)
{
    for (const QKeySequence &key : {QKeySequence(Qt::Key_F12), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_I)}) {
        auto *shortcut = new QShortcut(key, inspected, this, &DeveloperTools::show);
        shortcut->setContext(Qt::WindowShortcut);
    }
    // The view makes its context menu as its child and fills it before showing it.
    inspected->installEventFilter(this);
    // What the engine does once the person picks Inspect: the tools then need their window.
    connect(inspected->page()->action(QWebEnginePage::InspectElement), &QAction::triggered, this,
            &DeveloperTools::show);
}

void DeveloperTools::show()
{
    attach();
    m_tools->show();
    m_tools->raise();
    m_tools->activateWindow();
}

bool DeveloperTools::eventFilter(QObject *watched, QEvent *event)
{
    // A menu made with the view as its parent is announced only once polished, which its popup
    // does before it is shown; a menu moved to the view later, as it is added.
    const bool child = event->type() == QEvent::ChildPolished || event->type() == QEvent::ChildAdded;
    if (watched == m_inspected && child) {
        if (auto *menu = qobject_cast<QMenu *>(static_cast<QChildEvent *>(event)->child()))
            connect(menu, &QMenu::aboutToShow, this, [this, menu] { addInspect(menu); });
    }
    return false;
}

void DeveloperTools::attach()
{
    if (m_tools)
        return;
    m_tools = new QWebEngineView(m_inspected);
    m_tools->setWindowFlag(Qt::Window);
    m_tools->resize(1000, 700);
    // The same profile as the inspected page: nothing is kept anywhere else.
    m_tools->setPage(new QWebEnginePage(m_inspected->page()->profile(), m_tools));
    connect(m_tools, &QWebEngineView::titleChanged, m_tools, &QWidget::setWindowTitle);
    m_inspected->page()->setDevToolsPage(m_tools->page());
}

void DeveloperTools::addInspect(QMenu *menu)
{
    QAction *inspect = m_inspected->page()->action(QWebEnginePage::InspectElement);
    if (menu->actions().contains(inspect))
        return;
    // The engine inspects the element at the menu's place only once the tools are attached.
    attach();
    menu->addSeparator();
    menu->addAction(inspect);
}
