#pragma once

#include <QList>

class QAction;
class QMenu;

// Adds the actions to the menu in their order. A menu takes time in the square of its entries, so
// beyond `groupSize` entries (a hostile list of 100,000 languages, say) they go into submenus of at
// most `groupSize` entries each, titled by their first and last entry, nested as deep as needed.
// The actions must have no parent yet; each becomes a child of the menu that shows it.
void AddActionsGrouped(QMenu* menu, const QList<QAction*>& actions, qsizetype groupSize = 40);
