// Draws Lumora's built-in pictures: the configuration window's background, its picture buttons in
// their four states, the cam tree's two images, the "not available" preview and the application
// icon. Every picture is drawn twice by the same painting: at its size as <name>.png, and at twice
// the density as <name>@2x.png for screens scaled by two. Run once after changing the artwork; the
// pictures it writes are committed.
//
//   lumora_draw_artwork <output folder>   (normally resources/builtin)

#include "ArtworkPainting.h"
#include "IconPicture.h"
#include "widgets/ScaledPictureName.h"

#include <QDir>
#include <QGuiApplication>
#include <QLinearGradient>
#include <cstdio>

using namespace Artwork;

namespace {

QString Output;

// The scale the pictures are drawn at now.
int Scale = 1;

void Save(const QImage& image, const QString& name) {
    const QString path = ScaledPictureName(Output + QLatin1Char('/') + name + QStringLiteral(".png"),
                                           int(image.devicePixelRatio()));
    QDir().mkpath(QFileInfo(path).absolutePath());
    if (!image.save(path))
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
}

// An icon is chosen by its size in device pixels: the doubles of the usual sizes are sizes of their
// own. A window sends every size to the window manager, so the largest one is not doubled.
void DrawIcons() {
    if (Scale != 1)
        return;
    for (const int size : {16, 22, 32, 44, 48, 64, 96, 128, 256})
        Save(PaintIcon(size), QStringLiteral("icons/lumora-%1").arg(size));
    // The tray's states: only the sizes a panel shows, and their doubles.
    for (const int size : {16, 22, 24, 32, 44, 48}) {
        Save(PaintIcon(size, TIconBadge::Paused), QStringLiteral("icons-paused/lumora-%1").arg(size));
        Save(PaintIcon(size, TIconBadge::Failing), QStringLiteral("icons-failing/lumora-%1").arg(size));
    }
}

void DrawBackground() {
    Save(PaintMainBackground(QStringLiteral("Live webcams as your desktop wallpaper"), Scale),
         QStringLiteral("mainform/background"));
}

// Saves a picture button's four pictures as <window>/<skin>_1 to _4.
template <typename Paint> void SaveButton(const QString& window, const QString& skin, Paint paint) {
    for (const ButtonState state : AllStates)
        Save(paint(state), QStringLiteral("%1/%2_%3").arg(window, skin).arg(int(state)));
}

void DrawWideButton(const QString& window, const QString& skin, const QString& words) {
    SaveButton(window, skin, [&](ButtonState state) { return PaintWideButton(words, state, Scale); });
}

void DrawHelpButton(const QString& window) {
    SaveButton(window, QStringLiteral("help"),
               [](ButtonState state) { return PaintHelpButton(state, Scale); });
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
void DrawSmallButtons() {
    for (const QString& sign : {QStringLiteral("plus"), QStringLiteral("minus"), QStringLiteral("edit")})
        SaveButton(QStringLiteral("mainform"), sign,
                   [&](ButtonState state) { return PaintSignButton(sign, state, Scale); });
}

void DrawTreeImages() {
    for (const bool expanded : {false, true}) {
        QImage image = Canvas(QSize(11, 9), Scale);
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
    QImage image = Canvas(QSize(240, 175), Scale, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient fill(0, 0, 0, 175);
    fill.setColorAt(0, QColor(0x3a, 0x44, 0x55));
    fill.setColorAt(1, QColor(0x23, 0x2b, 0x38));
    p.fillRect(QRect(QPoint(0, 0), LogicalSize(image)), fill);
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
void DrawAttentionForm() {
    Save(PaintNoticeBackground(Sun, QStringLiteral("Attention"), false, Scale),
         QStringLiteral("attentionform/background_a"));
    Save(PaintNoticeBackground(Leaf, QStringLiteral("Thank you"), true, Scale),
         QStringLiteral("attentionform/background_t"));
    for (const auto& [skin, words] : {std::pair{QStringLiteral("retry"), QStringLiteral("Retry")},
                                      std::pair{QStringLiteral("cancel"), QStringLiteral("Exit")},
                                      std::pair{QStringLiteral("ok"), QStringLiteral("OK")}})
        DrawWideButton(QStringLiteral("attentionform"), skin, words);
    // The narrow help button carries a question mark.
    DrawHelpButton(QStringLiteral("attentionform"));
}

// The cam dialog: a header naming what the dialog is for, the fields on one card, and the buttons
// along the bottom: a narrow help button and three wide ones.
void DrawCamFormBackground() {
    QImage image = Canvas(QSize(420, 240), Scale, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    DrawPaperAndHeader(p, LogicalSize(image), 42, Sun, 80);
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
    DrawHelpButton(QStringLiteral("camform"));
}

// The splash: the mark rising over a dusk sky, the name and the promise, on the product's header
// colours; a thin sun-coloured rule and the paper strip below carry the maker's line.
void DrawSplash() {
    QImage image = Canvas(QSize(416, 246), Scale, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    DrawPaperAndHeader(p, LogicalSize(image), 206, Sun, 260);

    // A few stars in the upper sky, fading towards the glow.
    p.setPen(Qt::NoPen);
    const QList<QPointF> stars = {{236, 22}, {288, 40}, {352, 18}, {392, 58},
                                  {318, 76}, {206, 48}, {380, 104}};
    for (qsizetype i = 0; i < stars.size(); ++i) {
        p.setBrush(QColor(255, 255, 255, 200 - int(i) * 18));
        p.drawEllipse(stars.at(i), 1.3, 1.3);
    }
    DrawMark(p, QRectF(28, 46, 112, 112));
    p.setPen(Qt::white);
    p.setFont(UiFont(44, QFont::Bold));
    p.drawText(QRectF(160, 58, 240, 56), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Lumora"));
    p.setPen(QColor(0xc9, 0xdd, 0xf2));
    p.setFont(UiFont(13));
    p.drawText(QRectF(162, 112, 240, 40), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap,
               QStringLiteral("Live webcams as your desktop wallpaper"));

    p.setPen(InkSoft);
    p.setFont(UiFont(11));
    p.drawText(QRectF(16, 206, 384, 40), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Korvex Software"));
    p.setPen(Ink);
    p.drawText(QRectF(16, 206, 384, 40), Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("Starting..."));
    p.setPen(QPen(CardBorder, 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(0.5, 0.5, 415, 245));
    p.end();
    Save(image, QStringLiteral("splash/splash"));
}

// The messages window's bottom strip: paper under a thin dusk rule, with its two buttons.
void DrawMessagesStrip() {
    QImage image = Canvas(QSize(424, 36), Scale, QImage::Format_RGB32);
    QPainter p(&image);
    DrawPaper(p, LogicalSize(image));
    QLinearGradient rule(0, 0, 424, 0);
    rule.setColorAt(0, Night);
    rule.setColorAt(0.6, Dusk);
    rule.setColorAt(1, Sun);
    p.fillRect(QRectF(0, 0, 424, 2), rule);
    p.end();
    Save(image, QStringLiteral("mform/background"));
    DrawWideButton(QStringLiteral("mform"), QStringLiteral("ok"), QStringLiteral("OK"));
    DrawHelpButton(QStringLiteral("mform"));
}

} // namespace

int main(int argc, char* argv[]) {
    QGuiApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: lumora_draw_artwork <output folder>\n");
        return 2;
    }
    Output = QString::fromLocal8Bit(argv[1]);
    for (const int scale : {1, 2}) {
        Scale = scale;
        DrawIcons();
        DrawBackground();
        DrawWideButtons();
        DrawSmallButtons();
        DrawTreeImages();
        DrawNotAvailable();
        DrawAttentionForm();
        DrawCamForm();
        DrawSplash();
        DrawMessagesStrip();
    }
    return 0;
}
