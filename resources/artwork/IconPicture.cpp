#include "IconPicture.h"

#include "ArtworkPainting.h"

namespace Artwork {

namespace {

// The badge sits in the lower right corner, large enough to read at 16 pixels, with a light rim
// that parts it from the mark on any panel.
void DrawBadge(QPainter& p, int size, TIconBadge badge) {
    const qreal diameter = size * 0.58;
    const QRectF circle(size - diameter, size - diameter, diameter, diameter);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(255, 255, 255), std::max(1.0, size / 16.0)));
    p.setBrush(badge == TIconBadge::Paused ? QColor(0x5f, 0x63, 0x68) : QColor(0xd9, 0x30, 0x25));
    p.drawEllipse(circle.adjusted(0.5, 0.5, -0.5, -0.5));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255));
    const QPointF centre = circle.center();
    const qreal unit = diameter / 10;
    if (badge == TIconBadge::Paused) {
        for (const qreal x : {-2.2 * unit, 0.8 * unit})
            p.drawRect(QRectF(centre.x() + x, centre.y() - 2.8 * unit, 1.4 * unit, 5.6 * unit));
        return;
    }
    p.drawRect(QRectF(centre.x() - 0.8 * unit, centre.y() - 3.2 * unit, 1.6 * unit, 4.0 * unit));
    p.drawEllipse(QRectF(centre.x() - 0.9 * unit, centre.y() + 1.6 * unit, 1.8 * unit, 1.8 * unit));
}

} // namespace

QImage PaintIcon(int size, TIconBadge badge) {
    QImage image = Canvas(QSize(size, size));
    QPainter p(&image);
    // Below 24 pixels a proportional margin rounds to nothing and the ring would touch the edge.
    const qreal margin = size <= 22 ? 0.5 : size * 0.03;
    // A paused cam's mark steps back; a failing one's stays bright, so that its badge reads as news.
    p.setOpacity(badge == TIconBadge::Paused ? 0.45 : 1.0);
    DrawMark(p, QRectF(margin, margin, size - 2 * margin, size - 2 * margin));
    p.setOpacity(1.0);
    if (badge != TIconBadge::None)
        DrawBadge(p, size, badge);
    return image;
}

} // namespace Artwork
