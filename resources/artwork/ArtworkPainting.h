#pragma once

// The painting shared by Lumora's built-in pictures and by the skins of its language packs: one
// palette, one button face, one window base, so that every window and every language reads as one
// product. Routines that paint words take them as arguments; nothing here knows a language.

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QString>

namespace Artwork {

inline const QColor Night(0x14, 0x21, 0x3d);
inline const QColor Dusk(0x1f, 0x4e, 0x79);
inline const QColor Sky(0x2f, 0x7f, 0xc1);
inline const QColor Sun(0xf6, 0xb1, 0x3b);
inline const QColor SunGlow(0xff, 0xd8, 0x8a);
inline const QColor Leaf(0x7f, 0xd1, 0x8b);
inline const QColor Paper(0xf4, 0xf7, 0xfb);
inline const QColor PaperShade(0xe2, 0xe9, 0xf2);
inline const QColor CardBorder(0xcf, 0xd8, 0xe3);
inline const QColor Ink(0x1f, 0x3a, 0x5a);
inline const QColor InkSoft(0x5b, 0x6b, 0x80);
inline const QColor HeaderText(0xc9, 0xdd, 0xf2);

// A picture of the given size in logical pixels, drawn at `scale` device pixels per logical pixel:
// a painter on it draws in logical pixels, so one painting serves every scale. Transparent unless
// the format has no alpha channel.
QImage Canvas(const QSize& size, int scale = 1, QImage::Format format = QImage::Format_ARGB32_Premultiplied);
// The size a painter on the picture sees.
QSize LogicalSize(const QImage& image);
QFont UiFont(int pixelSize, int weight = QFont::Normal);

// The mark: a sun rising over a horizon inside a lens ring.
void DrawMark(QPainter& p, const QRectF& box);
// A white card with a soft shadow, behind a group of controls.
void DrawCard(QPainter& p, const QRectF& rect);
// Paper shading down from light to a little darker, the ground of every window.
void DrawPaper(QPainter& p, const QSize& size);
// Every window's base: paper shading down, under a dusk header whose glow rises from the lower left
// in the given colour and which ends in a thin rule of that colour.
void DrawPaperAndHeader(QPainter& p, const QSize& size, qreal headerHeight, const QColor& glowColour,
                        qreal glowRadius);

// Every routine below paints at the given scale: 1 for ordinary screens, 2 for screens of twice the
// density. The layout is the same at every scale.

// The four pictures of a picture button, numbered as its skin files are.
enum class ButtonState { Normal = 1, Over = 2, Pressed = 3, Disabled = 4 };
constexpr ButtonState AllStates[] = {ButtonState::Normal, ButtonState::Over, ButtonState::Pressed,
                                     ButtonState::Disabled};

// The size, at most `pixelSize`, at which the words fit across a button of the given size: longer
// words get a smaller size rather than touching the button's edges.
int FittingPixelSize(const QSize& size, const QString& words, int pixelSize, int weight);
// A button with words (or a single sign character) painted in at their fitting size.
QImage PaintTextButton(const QSize& size, const QString& words, int pixelSize, int weight, ButtonState state,
                       int scale = 1);
// The wide buttons of every window, and the size their words are painted at.
int WideButtonPixelSize(const QString& words);
QImage PaintWideButton(const QString& words, ButtonState state, int scale = 1);
// The narrow help button beside the wide ones: a question mark, the same in every language.
QImage PaintHelpButton(ButtonState state, int scale = 1);
// The small square buttons under the cam tree: "plus", "minus" or "edit" as a sign.
QImage PaintSignButton(const QString& sign, ButtonState state, int scale = 1);

// The configuration window's background, with the product's name and the given line below it.
QImage PaintMainBackground(const QString& subtitle, int scale = 1);
// A dialog's background: a header with the mark and the dialog's title, and a card behind its
// controls.
QImage PaintDialogBackground(const QSize& size, const QString& title, const QRectF& card, int scale = 1);
// The bottom strip of a window whose upper part shows something else: paper under a thin rule.
QImage PaintStripBackground(const QSize& size, int scale = 1);
// A notice's background: a header with the notice's sign and title, the text's card below it.
QImage PaintNoticeBackground(const QColor& signColour, const QString& title, bool thankYou, int scale = 1);

} // namespace Artwork
