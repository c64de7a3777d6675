#pragma once

#include <QApplication>

// The program's window of this class, found among the top-level windows as the user meets it;
// null when none exists (or, for Shown, none is on the screen).
template <class TWindow> TWindow* TopLevel() {
    for (QWidget* window : QApplication::topLevelWidgets())
        if (auto* found = qobject_cast<TWindow*>(window))
            return found;
    return nullptr;
}
template <class TWindow> TWindow* Shown() {
    TWindow* window = TopLevel<TWindow>();
    return window && window->isVisible() ? window : nullptr;
}
