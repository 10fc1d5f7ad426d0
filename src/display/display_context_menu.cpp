#include "display_context_menu.h"

#include "receive/display_buffer.h"
#include "display_view.h"
#include "menu_accessible.h"

#include <QAction>
#include <QMenu>

namespace quillar {

DisplayContextMenu::DisplayContextMenu(DisplayView &view) : QObject(&view), m_view(view) { }

QMenu *DisplayContextMenu::create(QWidget *parent) const
{
    const DisplayBuffer &buffer = m_view.buffer();
    auto *menu = new QMenu(parent);
    menu->setObjectName(QStringLiteral("displayMenu"));
    // What a screen reader calls it.
    menu->setWindowTitle(QStringLiteral("Dati ricevuti"));
    QAction *copyAction = menu->addAction(QStringLiteral("&Copia"), &m_view, &DisplayView::copy);
    copyAction->setShortcut(QKeySequence::Copy);
    copyAction->setEnabled(buffer.selLength() > 0);
    QAction *copyAllAction = menu->addAction(QStringLiteral("Copia t&utto"), &m_view, &DisplayView::copyAll);
    copyAllAction->setEnabled(buffer.length() > 0);
    QAction *selectAllAction = menu->addAction(QStringLiteral("&Seleziona tutto"), &m_view, &DisplayView::selectAll);
    selectAllAction->setShortcut(QKeySequence::SelectAll);
    selectAllAction->setEnabled(buffer.length() > 0);
    QAction *findAction = menu->addAction(QStringLiteral("&Trova\u2026"), &m_view, &DisplayView::openFind);
    findAction->setShortcut(QKeySequence::Find);
    if (m_extend)
        m_extend(*menu);
    return menu;
}

QMenu *DisplayContextMenu::popUp(const QPoint &globalPos)
{
    QMenu *menu = create(&m_view);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    announceWhenShown(*menu);
    menu->popup(globalPos);
    return menu;
}

void DisplayContextMenu::popUpAt(const QPoint &globalPos)
{
    popUp(globalPos);
}

void DisplayContextMenu::popUpFromKeyboard()
{
    QMenu *menu = popUp(caretPoint());
    for (QAction *action : menu->actions()) {
        if (action->isEnabled() && !action->isSeparator()) {
            menu->setActiveAction(action);
            break;
        }
    }
}

QPoint DisplayContextMenu::caretPoint() const
{
    const QRect caret = m_view.cellRect(m_view.buffer().caret()).toAlignedRect();
    const QWidget *area = m_view.viewport();
    const QPoint at = area->rect().contains(caret.center()) ? caret.bottomLeft() : QPoint(0, 0);
    return area->mapToGlobal(at);
}

} // namespace quillar
