#pragma once

#include "core/picture/Picture.h"

#include <QTest>
#include <QtEndian>
#include <algorithm>
#include <cstdlib>

// Pictures for tests, made in memory.

struct TColour {
    int Red = 0, Green = 0, Blue = 0;
    bool operator==(const TColour&) const = default;
};

inline TColour ColourAt(const TPicture& picture, int x, int y) {
    const uchar* pixel = reinterpret_cast<const uchar*>(picture.Row(y)) + x * 3;
    return {pixel[2], pixel[1], pixel[0]};
}

inline void SetColour(TPicture& picture, int x, int y, TColour colour) {
    char* pixel = picture.Row(y) + x * 3;
    pixel[0] = char(colour.Blue);
    pixel[1] = char(colour.Green);
    pixel[2] = char(colour.Red);
}

// Smooth colour ramps in both directions: compresses well and shows any row or column mix-up.
inline TPicture GradientPicture(int width, int height) {
    TPicture picture = MakePicture(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            SetColour(picture, x, y,
                      {x * 255 / std::max(1, width - 1), y * 255 / std::max(1, height - 1),
                       (x + y) * 255 / std::max(1, width + height - 2)});
    return picture;
}

inline TPicture FilledPicture(int width, int height, TColour colour) {
    TPicture picture = MakePicture(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            SetColour(picture, x, y, colour);
    return picture;
}

// The mean difference of all channels, 0 for identical pictures.
inline double MeanDifference(const TPicture& a, const TPicture& b) {
    if (a.Width != b.Width || a.Height != b.Height)
        return 255;
    double sum = 0;
    for (qsizetype i = 0; i < a.Pixels.size(); ++i)
        sum += std::abs(int(uchar(a.Pixels[i])) - int(uchar(b.Pixels[i])));
    return a.Pixels.isEmpty() ? 0 : sum / double(a.Pixels.size());
}

inline int MaxDifference(const TPicture& a, const TPicture& b) {
    if (a.Width != b.Width || a.Height != b.Height)
        return 255;
    int most = 0;
    for (qsizetype i = 0; i < a.Pixels.size(); ++i)
        most = std::max(most, std::abs(int(uchar(a.Pixels[i])) - int(uchar(b.Pixels[i]))));
    return most;
}

namespace QTest {
template <> inline char* toString(const TColour& colour) {
    return qstrdup(QByteArray::number(colour.Red) + "," + QByteArray::number(colour.Green) + "," +
                   QByteArray::number(colour.Blue));
}
} // namespace QTest
