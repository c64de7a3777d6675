#pragma once

#include "core/picture/Picture.h"

#include <QByteArray>
#include <cstdint>

struct TColour {
    std::uint8_t R = 0, G = 0, B = 0;
};

// Mixes two colours: 0 gives `from`, 1 gives `to`.
TColour Mix(TColour from, TColour to, double amount);

// The few drawing operations the demo scenes need, on a picture in the program's own layout.
// Everything is clipped to the picture.
class TCanvas {
public:
    explicit TCanvas(TPicture& picture);

    int Width() const { return m_picture.Width; }
    int Height() const { return m_picture.Height; }

    void Plot(int x, int y, TColour colour);
    void FillRect(int x, int y, int width, int height, TColour colour);
    // Rows from y0 to y1 (exclusive) shade from `top` to `bottom`.
    void VerticalGradient(int y0, int y1, TColour top, TColour bottom);
    void FillCircle(double cx, double cy, double radius, TColour colour);
    void Line(double x0, double y0, double x1, double y1, double width, TColour colour);
    // Capital letters, digits and ":.-/()' " in a 5 x 7 pixel font, each pixel `scale` wide.
    void Text(int x, int y, int scale, const QByteArray& text, TColour colour);
    static int TextWidth(int scale, const QByteArray& text);

private:
    TPicture& m_picture;
};
