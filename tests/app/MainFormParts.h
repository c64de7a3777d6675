#pragma once

#include "app/UMainForm.h"
#include "catalogue/CamBrowser.h"
#include "catalogue/CamTree.h"
#include "catalogue/CamTreeView.h"
#include "catalogue/UCamForm.h"
#include "widgets/ImgBtn.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>

// The configuration window's controls, menu entries and owners, found by their names.
template <class T = QWidget> T* Find(const QObject& w, const char* name) {
    return w.findChild<T*>(QLatin1String(name));
}
inline constexpr auto Button = [](const TMainForm& w, const char* name) { return Find<TImgBtn>(w, name); };
inline constexpr auto Entry = [](const TMainForm& w, const char* name) { return Find<QAction>(w, name); };
inline constexpr auto Browser = [](const TMainForm& w) -> TCamBrowser& {
    return *w.findChild<TCamBrowser*>();
};
inline constexpr auto Tree = [](const TMainForm& w) { return w.findChild<TCamTreeModel*>(); };
inline constexpr auto Label = [](const TMainForm& w, const char* name) { return Find<QLabel>(w, name); };
inline constexpr auto TreeView = [](const TMainForm& w) { return Find<TCamTreeView>(w, "TreeView"); };

// The program's window of this class, if it exists (TopLevel) or is on the screen (Shown).
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
