#pragma once

#include "core/picture/Picture.h"

#include <QColor>
#include <QImage>

// Turns a painted picture into what a skin file holds: 24-bit colour, any transparency blended with
// the ground the picture stands on.
TPicture SkinPicture(const QImage& image, const QColor& ground = Qt::white);

// The same picture with at most 256 colours, chosen by median cut from the picture's own colours, so
// that a GIF keeps soft gradients and smooth letters instead of falling back to a fixed colour cube.
TPicture WithFewColours(const TPicture& picture);
