#include "Canvas.h"

#include "Glyphs.h"

#include <algorithm>
#include <cmath>

TColour Mix(TColour from, TColour to, double amount) {
    const double a = std::clamp(amount, 0.0, 1.0);
    const auto channel = [a](std::uint8_t f, std::uint8_t t) {
        return static_cast<std::uint8_t>(std::lround(f + (t - f) * a));
    };
    return {channel(from.R, to.R), channel(from.G, to.G), channel(from.B, to.B)};
}

TCanvas::TCanvas(TPicture& picture)
    : m_picture(picture) {}

void TCanvas::Plot(int x, int y, TColour colour) {
    if (x < 0 || y < 0 || x >= Width() || y >= Height())
        return;
    char* pixel = m_picture.Row(y) + qsizetype(x) * 3;
    pixel[0] = static_cast<char>(colour.B);
    pixel[1] = static_cast<char>(colour.G);
    pixel[2] = static_cast<char>(colour.R);
}

void TCanvas::FillRect(int x, int y, int width, int height, TColour colour) {
    const int x0 = std::max(0, x), x1 = std::min(Width(), x + width);
    const int y0 = std::max(0, y), y1 = std::min(Height(), y + height);
    for (int row = y0; row < y1; ++row) {
        char* pixel = m_picture.Row(row) + qsizetype(x0) * 3;
        for (int column = x0; column < x1; ++column, pixel += 3) {
            pixel[0] = static_cast<char>(colour.B);
            pixel[1] = static_cast<char>(colour.G);
            pixel[2] = static_cast<char>(colour.R);
        }
    }
}

void TCanvas::VerticalGradient(int y0, int y1, TColour top, TColour bottom) {
    const int span = std::max(1, y1 - y0 - 1);
    for (int row = std::max(0, y0); row < std::min(Height(), y1); ++row)
        FillRect(0, row, Width(), 1, Mix(top, bottom, double(row - y0) / span));
}

void TCanvas::FillCircle(double cx, double cy, double radius, TColour colour) {
    const int y0 = int(std::floor(cy - radius)), y1 = int(std::ceil(cy + radius));
    for (int y = y0; y <= y1; ++y) {
        const double dy = y + 0.5 - cy;
        const double reach = radius * radius - dy * dy;
        if (reach < 0)
            continue;
        const double dx = std::sqrt(reach);
        const int x0 = int(std::lround(cx - dx)), x1 = int(std::lround(cx + dx));
        FillRect(x0, y, x1 - x0, 1, colour);
    }
}

void TCanvas::Line(double x0, double y0, double x1, double y1, double width, TColour colour) {
    // Every pixel whose centre lies within half the width of the segment.
    const double half = width / 2;
    const int left = int(std::floor(std::min(x0, x1) - half)),
              right = int(std::ceil(std::max(x0, x1) + half));
    const int top = int(std::floor(std::min(y0, y1) - half)),
              bottom = int(std::ceil(std::max(y0, y1) + half));
    const double dx = x1 - x0, dy = y1 - y0;
    const double length2 = dx * dx + dy * dy;
    for (int y = std::max(0, top); y <= std::min(Height() - 1, bottom); ++y) {
        for (int x = std::max(0, left); x <= std::min(Width() - 1, right); ++x) {
            const double px = x + 0.5 - x0, py = y + 0.5 - y0;
            const double t = length2 > 0 ? std::clamp((px * dx + py * dy) / length2, 0.0, 1.0) : 0.0;
            const double ex = px - t * dx, ey = py - t * dy;
            if (ex * ex + ey * ey <= half * half)
                Plot(x, y, colour);
        }
    }
}

int TCanvas::TextWidth(int scale, const QByteArray& text) {
    return int(text.size()) * (GlyphWidth + 1) * scale;
}

void TCanvas::Text(int x, int y, int scale, const QByteArray& text, TColour colour) {
    for (const char c : text) {
        const std::array<std::uint8_t, GlyphHeight>& rows = Glyph(c);
        for (int row = 0; row < GlyphHeight; ++row) {
            for (int column = 0; column < GlyphWidth; ++column) {
                if (rows[row] & (0x10 >> column))
                    FillRect(x + column * scale, y + row * scale, scale, scale, colour);
            }
        }
        x += (GlyphWidth + 1) * scale;
    }
}
