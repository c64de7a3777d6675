#include "widgets/GroupedMenu.h"

#include <QAction>
#include <QMenu>

void AddActionsGrouped(QMenu* menu, const QList<QAction*>& actions, qsizetype groupSize) {
    if (actions.size() <= groupSize) {
        for (QAction* action : actions)
            action->setParent(menu);
        menu->addActions(actions);
        return;
    }
    // The smallest span, a power of the group size, that needs at most groupSize submenus.
    qsizetype span = groupSize;
    while ((actions.size() + span - 1) / span > groupSize)
        span *= groupSize;
    for (qsizetype first = 0; first < actions.size(); first += span) {
        const QList<QAction*> part = actions.mid(first, span);
        auto* submenu =
            new QMenu(part.first()->text() + QStringLiteral(" \u2013 ") + part.last()->text(), menu);
        AddActionsGrouped(submenu, part, groupSize);
        menu->addMenu(submenu);
    }
}
