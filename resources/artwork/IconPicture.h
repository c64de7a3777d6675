#pragma once

// The application icon: the mark alone on a transparent square, with a margin that keeps its ring
// clear of the edge at every size.

#include <QImage>

namespace Artwork {

QImage PaintIcon(int size);

} // namespace Artwork
