#pragma once

#include <QFont>

// The font Lumora's windows are laid out for. Their controls stand in places measured in pixels
// around captions of this size, so every window carries it itself: the desktop's font, larger on
// many desktops, would push captions out of their places. No caption is drawn smaller, neither in
// a window nor in the words painted into a skin's buttons.
inline constexpr int WindowFontPixels = 11;

inline QFont WindowFont() {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(WindowFontPixels);
    return font;
}
