#pragma once

#include "core/DisplayText.h"
#include "core/LanguageFile.h"

#include <QAction>
#include <QLabel>
#include <QWidget>

// Where a language text goes. Every text passes DisplayText on its way to the screen; fields that
// keep the bytes for later (an address, a mail text) take them as they are.
namespace TextTargets {

inline TTextTable::Setter Hint(QWidget* control) {
    return [control](const QByteArray& text) { control->setToolTip(DisplayText(text)); };
}
inline TTextTable::Setter Caption(QLabel* label) {
    return [label](const QByteArray& text) { label->setText(DisplayText(text)); };
}
inline TTextTable::Setter WindowCaption(QWidget* window) {
    return [window](const QByteArray& text) { window->setWindowTitle(DisplayText(text)); };
}
inline TTextTable::Setter ActionCaption(QAction* action) {
    return [action](const QByteArray& text) { action->setText(DisplayText(text)); };
}
inline TTextTable::Setter ActionHint(QAction* action) {
    return [action](const QByteArray& text) { action->setToolTip(DisplayText(text)); };
}
inline TTextTable::Setter Field(QString& field) {
    return [&field](const QByteArray& text) { field = DisplayText(text); };
}
inline TTextTable::Setter Field(QByteArray& field) {
    return [&field](const QByteArray& text) { field = text; };
}

// Controls found by their name when the text arrives: a window whose control does not exist leaves
// the text unused.
template <typename Control> Control* Named(QWidget* window, const char* name) {
    return window->findChild<Control*>(QLatin1String(name));
}
inline TTextTable::Setter HintOf(QWidget* window, const char* name) {
    return [window, name](const QByteArray& text) {
        if (auto* control = Named<QWidget>(window, name))
            control->setToolTip(DisplayText(text));
    };
}
inline TTextTable::Setter CaptionOf(QWidget* window, const char* name) {
    return [window, name](const QByteArray& text) {
        if (auto* label = Named<QLabel>(window, name))
            label->setText(DisplayText(text));
    };
}

} // namespace TextTargets
