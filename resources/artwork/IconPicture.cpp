#include "IconPicture.h"

#include "ArtworkPainting.h"

namespace Artwork {

QImage PaintIcon(int size) {
    QImage image = Canvas(QSize(size, size));
    QPainter p(&image);
    // Below 24 pixels a proportional margin rounds to nothing and the ring would touch the edge.
    const qreal margin = size <= 22 ? 0.5 : size * 0.03;
    DrawMark(p, QRectF(margin, margin, size - 2 * margin, size - 2 * margin));
    return image;
}

} // namespace Artwork
