// Draws Lumora's built-in pictures: the configuration window's background, its picture buttons in
// their four states, the cam tree's two images, the "not available" preview and the application
// icon. Run once after changing the artwork; the pictures it writes are committed.
//
//   lumora_draw_artwork <output folder>   (normally resources/builtin)

#include <QDir>
#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <cstdio>

namespace {

// One palette for every picture, so that the windows read as one product.
const QColor Night(0x14, 0x21, 0x3d);
const QColor Dusk(0x1f, 0x4e, 0x79);
const QColor Sky(0x2f, 0x7f, 0xc1);
const QColor Sun(0xf6, 0xb1, 0x3b);
const QColor SunGlow(0xff, 0xd8, 0x8a);
const QColor Paper(0xf4, 0xf7, 0xfb);
const QColor PaperShade(0xe2, 0xe9, 0xf2);
const QColor CardBorder(0xcf, 0xd8, 0xe3);
const QColor Ink(0x1f, 0x3a, 0x5a);
const QColor InkSoft(0x5b, 0x6b, 0x80);

QString Output;

void Save(const QImage& image, const QString& name) {
    const QString path = Output + QLatin1Char('/') + name + QStringLiteral(".png");
    QDir().mkpath(QFileInfo(path).absolutePath());
    if (!image.save(path))
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
}

QImage Canvas(int width, int height) {
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

QFont UiFont(int pixelSize, int weight = QFont::Normal) {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(pixelSize);
    font.setWeight(QFont::Weight(weight));
    font.setHintingPreference(QFont::PreferFullHinting);
    return font;
}

// The mark: a sun rising over a horizon inside a lens ring.
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

void DrawIcons() {
    for (const int size : {16, 22, 32, 48, 64, 128, 256}) {
        QImage image = Canvas(size, size);
        QPainter p(&image);
        const qreal margin = size <= 22 ? 0.5 : size * 0.03;
        DrawMark(p, QRectF(margin, margin, size - 2 * margin, size - 2 * margin));
        p.end();
        Save(image, QStringLiteral("icons/lumora-%1").arg(size));
    }
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

// Every window's base: paper shading down, under a dusk header whose glow rises from the lower left
// in the given colour and which ends in a thin rule of that colour.
void DrawPaperAndHeader(QPainter& p, const QSize& size, qreal headerHeight, const QColor& glowColour,
                        qreal glowRadius) {
    QLinearGradient body(0, 0, 0, size.height());
    body.setColorAt(0, Paper);
    body.setColorAt(1, PaperShade);
    p.fillRect(QRectF(QPointF(0, 0), size), body);

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

void DrawBackground() {
    QImage image(597, 398, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);

    // The header: dusk over the horizon, the sun rising behind the mark.
    DrawPaperAndHeader(p, image.size(), 72, Sun, 150);
    DrawMark(p, QRectF(16, 12, 48, 48));
    p.setPen(Qt::white);
    p.setFont(UiFont(28, QFont::Bold));
    p.drawText(QRectF(76, 8, 300, 38), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Lumora"));
    p.setPen(QColor(0xc9, 0xdd, 0xf2));
    p.setFont(UiFont(12));
    p.drawText(QRectF(78, 42, 380, 20), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Live webcams as your desktop wallpaper"));

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
    p.end();
    Save(image, QStringLiteral("mainform/background"));
}

enum class ButtonState { Normal = 1, Over = 2, Pressed = 3, Disabled = 4 };
constexpr ButtonState AllStates[] = {ButtonState::Normal, ButtonState::Over, ButtonState::Pressed,
                                     ButtonState::Disabled};

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

// A picture button with words (or a sign) painted in, in its four states. Longer words get a
// smaller size rather than touching the button's edges.
void DrawTextButton(const QString& window, const QString& skin, const QSize& size, const QString& words,
                    int pixelSize, int weight) {
    for (const ButtonState state : AllStates) {
        QImage image = Canvas(size.width(), size.height());
        QPainter p(&image);
        DrawButtonFace(p, QRectF(QPointF(0, 0), size), state);
        const ButtonLook look = LookOf(state);
        p.setRenderHint(QPainter::TextAntialiasing);
        int fitting = pixelSize;
        while (fitting > 9 &&
               QFontMetrics(UiFont(fitting, weight)).horizontalAdvance(words) > size.width() - 14)
            --fitting;
        p.setFont(UiFont(fitting, weight));
        p.setPen(look.text);
        p.drawText(QRectF(0, look.shift, size.width(), size.height()), Qt::AlignCenter, words);
        p.end();
        Save(image, QStringLiteral("%1/%2_%3").arg(window, skin).arg(int(state)));
    }
}

void DrawWideButton(const QString& window, const QString& skin, const QString& words) {
    DrawTextButton(window, skin, QSize(114, 26), words, 12, QFont::DemiBold);
}

void DrawWideButtons() {
    const QList<std::pair<QString, QString>> buttons = {
        {QStringLiteral("ok"), QStringLiteral("OK")},
        {QStringLiteral("apply"), QStringLiteral("Apply")},
        {QStringLiteral("cancel"), QStringLiteral("Cancel")},
        {QStringLiteral("restore"), QStringLiteral("Restore")},
        {QStringLiteral("shutdown"), QStringLiteral("Shut down")},
        {QStringLiteral("camhomepage"), QStringLiteral("Cam homepage")},
        {QStringLiteral("help"), QStringLiteral("Help")},
        {QStringLiteral("tellafriend"), QStringLiteral("Tell a friend")},
        {QStringLiteral("korvex"), QStringLiteral("Korvex Software")},
        {QStringLiteral("retry"), QStringLiteral("Retry")},
        {QStringLiteral("suggest"), QStringLiteral("Suggest")},
    };
    for (const auto& [skin, words] : buttons)
        DrawWideButton(QStringLiteral("mainform"), skin, words);
}

// The small square buttons under the cam tree carry a sign instead of words.
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

void DrawSmallButtons() {
    for (const QString& sign : {QStringLiteral("plus"), QStringLiteral("minus"), QStringLiteral("edit")}) {
        for (const ButtonState state : AllStates) {
            QImage image = Canvas(23, 23);
            QPainter p(&image);
            DrawButtonFace(p, QRectF(0, 0, 23, 23), state);
            const ButtonLook look = LookOf(state);
            DrawSign(p, sign, look.text, look.shift);
            p.end();
            Save(image, QStringLiteral("mainform/%1_%2").arg(sign).arg(int(state)));
        }
    }
}

void DrawTreeImages() {
    for (const bool expanded : {false, true}) {
        QImage image = Canvas(11, 9);
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(expanded ? Sun.darker(110) : Dusk);
        QPolygonF triangle;
        if (expanded)
            triangle << QPointF(1.5, 2) << QPointF(9.5, 2) << QPointF(5.5, 7.5);
        else
            triangle << QPointF(3, 0.5) << QPointF(8.5, 4.5) << QPointF(3, 8.5);
        p.drawPolygon(triangle);
        p.end();
        Save(image, expanded ? QStringLiteral("tree/expanded") : QStringLiteral("tree/collapsed"));
    }
}

// Shown in the preview when a cam's picture cannot be had: a camera with its lens dimmed.
void DrawNotAvailable() {
    QImage image(240, 175, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient fill(0, 0, 0, 175);
    fill.setColorAt(0, QColor(0x3a, 0x44, 0x55));
    fill.setColorAt(1, QColor(0x23, 0x2b, 0x38));
    p.fillRect(image.rect(), fill);
    const QColor line(0xb8, 0xc3, 0xd1);
    p.setPen(QPen(line, 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(82, 62, 76, 52), 8, 8);
    p.drawRect(QRectF(104, 54, 24, 8));
    p.drawEllipse(QPointF(120, 88), 15, 15);
    p.setPen(QPen(Sun, 4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(74, 124), QPointF(166, 52));
    p.end();
    Save(image, QStringLiteral("mainform/notavailable"));
}

// The attention box: a header band with the notice's sign, the text on paper below it, and the
// buttons along the bottom.
void DrawNoticeBackground(const QString& name, const QColor& signColour, const QString& title,
                          bool thankYou) {
    QImage image(300, 193, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    DrawPaperAndHeader(p, image.size(), 58, signColour, 90);

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
    p.setPen(QColor(0xc9, 0xdd, 0xf2));
    p.setFont(UiFont(11));
    p.drawText(QRectF(67, 30, 220, 18), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Lumora"));

    DrawCard(p, QRectF(12, 66, 276, 85));
    p.end();
    Save(image, name);
}

void DrawAttentionForm() {
    DrawNoticeBackground(QStringLiteral("attentionform/background_a"), Sun, QStringLiteral("Attention"),
                         false);
    DrawNoticeBackground(QStringLiteral("attentionform/background_t"), QColor(0x7f, 0xd1, 0x8b),
                         QStringLiteral("Thank you"), true);
    for (const auto& [skin, words] : {std::pair{QStringLiteral("retry"), QStringLiteral("Retry")},
                                      std::pair{QStringLiteral("cancel"), QStringLiteral("Exit")},
                                      std::pair{QStringLiteral("ok"), QStringLiteral("OK")}})
        DrawWideButton(QStringLiteral("attentionform"), skin, words);
    // The narrow help button carries a question mark.
    DrawTextButton(QStringLiteral("attentionform"), QStringLiteral("help"), QSize(35, 26),
                   QStringLiteral("?"), 14, QFont::Bold);
}

// The cam dialog: a header naming what the dialog is for, the fields on one card, and the buttons
// along the bottom: a narrow help button and three wide ones.
void DrawCamFormBackground() {
    QImage image(420, 240, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    DrawPaperAndHeader(p, image.size(), 42, Sun, 80);
    DrawMark(p, QRectF(12, 7, 28, 28));
    p.setPen(Qt::white);
    p.setFont(UiFont(15, QFont::Bold));
    p.drawText(QRectF(50, 4, 200, 20), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Your own cam"));
    p.setPen(QColor(0xc9, 0xdd, 0xf2));
    p.setFont(UiFont(10));
    p.drawText(QRectF(51, 22, 360, 16), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Add a webcam of your choice, or suggest it for the catalogue"));

    // The fields sit on one card.
    DrawCard(p, QRectF(6, 46, 408, 155));
    p.end();
    Save(image, QStringLiteral("camform/background"));
}

void DrawCamForm() {
    DrawCamFormBackground();
    for (const auto& [skin, words] : {std::pair{QStringLiteral("suggest"), QStringLiteral("Suggest")},
                                      std::pair{QStringLiteral("ok"), QStringLiteral("OK")},
                                      std::pair{QStringLiteral("cancel"), QStringLiteral("Cancel")}})
        DrawWideButton(QStringLiteral("camform"), skin, words);
    DrawTextButton(QStringLiteral("camform"), QStringLiteral("help"), QSize(35, 26), QStringLiteral("?"), 14,
                   QFont::Bold);
}

} // namespace

int main(int argc, char* argv[]) {
    QGuiApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: lumora_draw_artwork <output folder>\n");
        return 2;
    }
    Output = QString::fromLocal8Bit(argv[1]);
    DrawIcons();
    DrawBackground();
    DrawWideButtons();
    DrawSmallButtons();
    DrawTreeImages();
    DrawNotAvailable();
    DrawAttentionForm();
    DrawCamForm();
    return 0;
}
