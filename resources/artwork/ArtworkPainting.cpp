#include "ArtworkPainting.h"

#include <QLinearGradient>
#include <QPainterPath>
#include <QRadialGradient>

namespace Artwork {

QImage Canvas(const QSize& size, int scale, QImage::Format format) {
    QImage image(size * scale, format);
    image.setDevicePixelRatio(scale);
    image.fill(Qt::transparent);
    return image;
}

QSize LogicalSize(const QImage& image) {
    return image.deviceIndependentSize().toSize();
}

QFont UiFont(int pixelSize, int weight) {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(pixelSize);
    font.setWeight(QFont::Weight(weight));
    font.setHintingPreference(QFont::PreferFullHinting);
    return font;
}

void DrawMark(QPainter& p, const QRectF& box) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = box.width();
    const QPointF c = box.center();
    QRadialGradient disc(c, s / 2);
    disc.setColorAt(0, Dusk.lighter(120));
    disc.setColorAt(1, Night);
    p.setPen(Qt::NoPen);
    p.setBrush(disc);
    p.drawEllipse(box);

    QPainterPath inside;
    inside.addEllipse(box.adjusted(s * 0.06, s * 0.06, -s * 0.06, -s * 0.06));
    p.setClipPath(inside);
    const qreal horizon = box.top() + s * 0.64;
    QRadialGradient glow(QPointF(c.x(), horizon), s * 0.42);
    glow.setColorAt(0, SunGlow);
    glow.setColorAt(0.45, QColor(Sun.red(), Sun.green(), Sun.blue(), 150));
    glow.setColorAt(1, Qt::transparent);
    p.setBrush(glow);
    p.drawRect(box);
    p.setBrush(Sun);
    p.drawEllipse(QPointF(c.x(), horizon), s * 0.19, s * 0.19);
    QLinearGradient sea(QPointF(0, horizon), QPointF(0, box.bottom()));
    sea.setColorAt(0, Sky);
    sea.setColorAt(1, Dusk);
    p.setBrush(sea);
    p.drawRect(QRectF(box.left(), horizon, s, box.bottom() - horizon));
    p.setClipping(false);

    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(255, 255, 255, 235), std::max<qreal>(1.0, s * 0.06)));
    p.drawEllipse(box.adjusted(s * 0.04, s * 0.04, -s * 0.04, -s * 0.04));
    p.restore();
}

void DrawCard(QPainter& p, const QRectF& rect) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    for (int i = 3; i >= 1; --i) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(20, 33, 61, 10 * (4 - i)));
        p.drawRoundedRect(rect.adjusted(-i + 1, -i + 2, i - 1, i), 7, 7);
    }
    p.setBrush(Qt::white);
    p.setPen(QPen(CardBorder, 1));
    p.drawRoundedRect(rect.adjusted(0.5, 0.5, -0.5, -0.5), 6, 6);
    p.restore();
}

void DrawPaper(QPainter& p, const QSize& size) {
    QLinearGradient body(0, 0, 0, size.height());
    body.setColorAt(0, Paper);
    body.setColorAt(1, PaperShade);
    p.fillRect(QRectF(QPointF(0, 0), size), body);
}

void DrawPaperAndHeader(QPainter& p, const QSize& size, qreal headerHeight, const QColor& glowColour,
                        qreal glowRadius) {
    DrawPaper(p, size);

    const QRectF header(0, 0, size.width(), headerHeight);
    QLinearGradient dusk(0, 0, size.width(), 0);
    dusk.setColorAt(0, Night);
    dusk.setColorAt(0.6, Dusk);
    dusk.setColorAt(1, Sky);
    p.fillRect(header, dusk);
    QRadialGradient glow(QPointF(headerHeight * 0.6, headerHeight), glowRadius);
    glow.setColorAt(0, QColor(glowColour.red(), glowColour.green(), glowColour.blue(), 110));
    glow.setColorAt(1, Qt::transparent);
    p.fillRect(header, glow);
    p.fillRect(QRectF(0, headerHeight - 1, size.width(), 1),
               QColor(glowColour.red(), glowColour.green(), glowColour.blue(), 200));
}

namespace {

struct ButtonLook {
    QColor top, bottom, border, text;
    qreal shift = 0;
};

ButtonLook LookOf(ButtonState state) {
    switch (state) {
    case ButtonState::Normal:
        return {QColor(0xff, 0xff, 0xff), QColor(0xe4, 0xeb, 0xf3), QColor(0xa9, 0xb7, 0xc8), Ink};
    case ButtonState::Over:
        return {QColor(0xfd, 0xf6, 0xe7), QColor(0xfc, 0xe2, 0xae), Sun.darker(115),
                QColor(0x5a, 0x3a, 0x05)};
    case ButtonState::Pressed:
        return {Dusk, Night, Night, Qt::white, 1};
    case ButtonState::Disabled:
        return {QColor(0xee, 0xf1, 0xf4), QColor(0xe8, 0xec, 0xf0), QColor(0xd0, 0xd7, 0xdf),
                QColor(0xa8, 0xb2, 0xbe)};
    }
    return {};
}

void DrawButtonFace(QPainter& p, const QRectF& rect, ButtonState state) {
    const ButtonLook look = LookOf(state);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient fill(rect.topLeft(), rect.bottomLeft());
    fill.setColorAt(0, look.top);
    fill.setColorAt(1, look.bottom);
    p.setBrush(fill);
    p.setPen(QPen(look.border, 1));
    p.drawRoundedRect(rect.adjusted(0.5, 0.5, -0.5, -0.5), 5, 5);
    if (state == ButtonState::Normal || state == ButtonState::Over) {
        p.setPen(QPen(QColor(255, 255, 255, 170), 1));
        p.drawLine(QPointF(rect.left() + 5, rect.top() + 1.5), QPointF(rect.right() - 5, rect.top() + 1.5));
    }
}

void DrawSign(QPainter& p, const QString& sign, const QColor& colour, qreal shift) {
    p.save();
    p.translate(0, shift);
    p.setPen(QPen(colour, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    if (sign == QStringLiteral("plus")) {
        p.drawLine(QPointF(11.5, 6.5), QPointF(11.5, 16.5));
        p.drawLine(QPointF(6.5, 11.5), QPointF(16.5, 11.5));
    } else if (sign == QStringLiteral("minus")) {
        p.drawLine(QPointF(6.5, 11.5), QPointF(16.5, 11.5));
    } else {
        // A pencil.
        p.drawLine(QPointF(7, 16), QPointF(15, 8));
        p.setPen(QPen(colour, 1.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        QPainterPath tip;
        tip.moveTo(6, 17);
        tip.lineTo(6.5, 14.2);
        tip.lineTo(8.8, 16.5);
        tip.closeSubpath();
        p.setBrush(colour);
        p.drawPath(tip);
        p.drawLine(QPointF(14.5, 6.5), QPointF(16.5, 8.5));
    }
    p.restore();
}

} // namespace

int FittingPixelSize(const QSize& size, const QString& words, int pixelSize, int weight) {
    // Six pixels on either side keep the words clear of the rounded border.
    int fitting = pixelSize;
    while (fitting > 9 && QFontMetrics(UiFont(fitting, weight)).horizontalAdvance(words) > size.width() - 12)
        --fitting;
    return fitting;
}

QImage PaintTextButton(const QSize& size, const QString& words, int pixelSize, int weight, ButtonState state,
                       int scale) {
    QImage image = Canvas(size, scale);
    QPainter p(&image);
    DrawButtonFace(p, QRectF(QPointF(0, 0), size), state);
    const ButtonLook look = LookOf(state);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setFont(UiFont(FittingPixelSize(size, words, pixelSize, weight), weight));
    p.setPen(look.text);
    p.drawText(QRectF(0, look.shift, size.width(), size.height()), Qt::AlignCenter, words);
    return image;
}

namespace {
const QSize WideButtonSize(114, 26);
constexpr int WideButtonPixels = 12;
} // namespace

int WideButtonPixelSize(const QString& words) {
    return FittingPixelSize(WideButtonSize, words, WideButtonPixels, QFont::DemiBold);
}

QImage PaintWideButton(const QString& words, ButtonState state, int scale) {
    return PaintTextButton(WideButtonSize, words, WideButtonPixels, QFont::DemiBold, state, scale);
}

QImage PaintHelpButton(ButtonState state, int scale) {
    return PaintTextButton(QSize(35, 26), QStringLiteral("?"), 14, QFont::Bold, state, scale);
}

QImage PaintSignButton(const QString& sign, ButtonState state, int scale) {
    QImage image = Canvas(QSize(23, 23), scale);
    QPainter p(&image);
    DrawButtonFace(p, QRectF(0, 0, 23, 23), state);
    const ButtonLook look = LookOf(state);
    DrawSign(p, sign, look.text, look.shift);
    return image;
}

QImage PaintMainBackground(const QString& subtitle, int scale) {
    QImage image = Canvas(QSize(597, 398), scale, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);

    // The header: dusk over the horizon, the sun rising behind the mark.
    DrawPaperAndHeader(p, LogicalSize(image), 72, Sun, 150);
    DrawMark(p, QRectF(16, 12, 48, 48));
    p.setPen(Qt::white);
    p.setFont(UiFont(28, QFont::Bold));
    p.drawText(QRectF(76, 8, 300, 38), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Lumora"));
    p.setPen(HeaderText);
    p.setFont(UiFont(12));
    p.drawText(QRectF(78, 42, 380, 20), Qt::AlignLeft | Qt::AlignVCenter, subtitle);

    // Cards behind the cam tree and the preview; the controls sit on them.
    DrawCard(p, QRectF(7, 103, 190, 290));
    DrawCard(p, QRectF(205, 103, 258, 290));
    p.setPen(QPen(CardBorder, 1));
    p.drawLine(QPointF(16, 134.5), QPointF(188, 134.5));
    p.drawLine(QPointF(16, 359.5), QPointF(188, 359.5));
    p.drawLine(QPointF(214, 361.5), QPointF(454, 361.5));

    // The preview's place while no picture is shown.
    const QRectF preview(214, 138, 240, 175);
    QLinearGradient screen(preview.topLeft(), preview.bottomLeft());
    screen.setColorAt(0, Night);
    screen.setColorAt(1, Dusk);
    p.fillRect(preview, screen);
    p.setOpacity(0.35);
    DrawMark(p, QRectF(preview.center().x() - 26, preview.center().y() - 26, 52, 52));
    p.setOpacity(1);

    // The right-hand column: thin rules between the groups of buttons.
    p.setPen(QPen(CardBorder, 1));
    p.drawLine(QPointF(479, 201.5), QPointF(585, 201.5));
    p.drawLine(QPointF(479, 329.5), QPointF(585, 329.5));
    return image;
}

QImage PaintDialogBackground(const QSize& size, const QString& title, const QRectF& card, int scale) {
    QImage image = Canvas(size, scale, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    DrawPaperAndHeader(p, size, 40, Sun, 80);
    DrawMark(p, QRectF(10, 6, 28, 28));
    p.setPen(Qt::white);
    p.setFont(UiFont(16, QFont::Bold));
    p.drawText(QRectF(46, 0, size.width() - 56, 39), Qt::AlignLeft | Qt::AlignVCenter, title);
    DrawCard(p, card);
    return image;
}

QImage PaintStripBackground(const QSize& size, int scale) {
    QImage image = Canvas(size, scale, QImage::Format_RGB32);
    QPainter p(&image);
    DrawPaper(p, size);
    p.fillRect(QRect(0, 0, size.width(), 1), CardBorder);
    return image;
}

QImage PaintNoticeBackground(const QColor& signColour, const QString& title, bool thankYou, int scale) {
    QImage image = Canvas(QSize(300, 193), scale, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    DrawPaperAndHeader(p, LogicalSize(image), 58, signColour, 90);

    // The sign: an exclamation mark for trouble, a tick for thanks.
    const QRectF disc(18, 11, 36, 36);
    p.setPen(Qt::NoPen);
    p.setBrush(signColour);
    p.drawEllipse(disc);
    p.setPen(QPen(Night, 3.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    if (thankYou) {
        p.drawPolyline(QPolygonF{QPointF(27, 29.5), QPointF(33.5, 36), QPointF(45, 22.5)});
    } else {
        p.drawLine(QPointF(36, 19.5), QPointF(36, 31.5));
        p.setBrush(Night);
        p.setPen(Qt::NoPen);
        p.drawEllipse(QPointF(36, 38.5), 2.2, 2.2);
    }
    p.setPen(Qt::white);
    p.setFont(UiFont(17, QFont::Bold));
    p.drawText(QRectF(66, 8, 220, 24), Qt::AlignLeft | Qt::AlignVCenter, title);
    p.setPen(HeaderText);
    p.setFont(UiFont(11));
    p.drawText(QRectF(67, 30, 220, 18), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Lumora"));

    DrawCard(p, QRectF(12, 66, 276, 85));
    return image;
}

} // namespace Artwork
