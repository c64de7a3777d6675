#include "core/picture/PictureLayout.h"

#include <algorithm>
#include <cstring>
#include <vector>

TWallpaperLayout WallpaperLayout(bool tile, bool stretch) {
    if (tile)
        return TWallpaperLayout::Tiled;
    return stretch ? TWallpaperLayout::Stretched : TWallpaperLayout::Centred;
}

namespace {

TPicture Centre(const TPicture& picture, int width, int height) {
    TPicture screen = MakePicture(width, height);
    // Offsets of the copied block in the screen and in the picture: one of the two is zero on
    // each axis, depending on which is larger.
    const int screenX = std::max(0, (width - picture.Width) / 2);
    const int screenY = std::max(0, (height - picture.Height) / 2);
    const int pictureX = std::max(0, (picture.Width - width) / 2);
    const int pictureY = std::max(0, (picture.Height - height) / 2);
    const int columns = std::min(width, picture.Width);
    const int rows = std::min(height, picture.Height);
    for (int y = 0; y < rows; ++y)
        std::memcpy(screen.Row(screenY + y) + qsizetype(screenX) * 3,
                    picture.Row(pictureY + y) + qsizetype(pictureX) * 3, std::size_t(columns) * 3);
    return screen;
}

TPicture Tile(const TPicture& picture, int width, int height) {
    TPicture screen = MakePicture(width, height);
    for (int y = 0; y < height; ++y) {
        const char* source = picture.Row(y % picture.Height);
        char* target = screen.Row(y);
        for (int x = 0; x < width; x += picture.Width)
            std::memcpy(target + qsizetype(x) * 3, source,
                        std::size_t(std::min(picture.Width, width - x)) * 3);
    }
    return screen;
}

// Sums over a box of source pixels: the shrinking half of the scaler, for factors beyond two.
TPicture ShrinkByAveraging(const TPicture& picture, int width, int height) {
    TPicture result = MakeUnfilledPicture(width, height);
    std::vector<quint32> sums(std::size_t(width) * 3);
    for (int y = 0; y < height; ++y) {
        const int top = int(qint64(y) * picture.Height / height);
        const int bottom = std::max(top + 1, int(qint64(y + 1) * picture.Height / height));
        std::fill(sums.begin(), sums.end(), 0);
        for (int sy = top; sy < bottom; ++sy) {
            const uchar* row = reinterpret_cast<const uchar*>(picture.Row(sy));
            for (int x = 0; x < width; ++x) {
                const int left = int(qint64(x) * picture.Width / width);
                const int right = std::max(left + 1, int(qint64(x + 1) * picture.Width / width));
                for (int sx = left; sx < right; ++sx)
                    for (int c = 0; c < 3; ++c)
                        sums[std::size_t(x) * 3 + c] += row[sx * 3 + c];
            }
        }
        char* target = result.Row(y);
        for (int x = 0; x < width; ++x) {
            const int left = int(qint64(x) * picture.Width / width);
            const int right = std::max(left + 1, int(qint64(x + 1) * picture.Width / width));
            const quint32 count = quint32((right - left) * (bottom - top));
            for (int c = 0; c < 3; ++c)
                target[x * 3 + c] = char((sums[std::size_t(x) * 3 + c] + count / 2) / count);
        }
    }
    return result;
}

// Bilinear interpolation in 8.8 fixed point, sampling at pixel centres.
TPicture Interpolate(const TPicture& picture, int width, int height) {
    TPicture result = MakeUnfilledPicture(width, height);
    struct TSample {
        int First, Second, Weight; // Weight of Second, out of 256
    };
    auto samples = [](int from, int to) {
        std::vector<TSample> list(static_cast<std::size_t>(to));
        for (int i = 0; i < to; ++i) {
            const qint64 centre = ((2 * qint64(i) + 1) * from * 256) / (2 * qint64(to)) - 128;
            const qint64 clamped = std::clamp<qint64>(centre, 0, qint64(from - 1) * 256);
            const int first = int(clamped >> 8);
            list[std::size_t(i)] = {first, std::min(first + 1, from - 1), int(clamped & 255)};
        }
        return list;
    };
    const std::vector<TSample> columns = samples(picture.Width, width);
    const std::vector<TSample> rows = samples(picture.Height, height);
    for (int y = 0; y < height; ++y) {
        const TSample& row = rows[std::size_t(y)];
        const uchar* upper = reinterpret_cast<const uchar*>(picture.Row(row.First));
        const uchar* lower = reinterpret_cast<const uchar*>(picture.Row(row.Second));
        uchar* target = reinterpret_cast<uchar*>(result.Row(y));
        for (int x = 0; x < width; ++x) {
            const TSample& column = columns[std::size_t(x)];
            const int a = column.First * 3, b = column.Second * 3;
            for (int c = 0; c < 3; ++c) {
                const int top = upper[a + c] * (256 - column.Weight) + upper[b + c] * column.Weight;
                const int bottom = lower[a + c] * (256 - column.Weight) + lower[b + c] * column.Weight;
                target[x * 3 + c] = uchar((top * (256 - row.Weight) + bottom * row.Weight + 32768) >> 16);
            }
        }
    }
    return result;
}

} // namespace

TPicture ScalePicture(const TPicture& picture, int width, int height) {
    if (picture.IsNull() || !PictureSizeAllowed(width, height))
        return {};
    if (width == picture.Width && height == picture.Height)
        return picture;
    if (width * 2 < picture.Width || height * 2 < picture.Height)
        return ShrinkByAveraging(picture, width, height);
    return Interpolate(picture, width, height);
}

TPicture LayOutPicture(const TPicture& picture, int screenWidth, int screenHeight, TWallpaperLayout layout) {
    if (picture.IsNull() || !PictureSizeAllowed(screenWidth, screenHeight))
        return {};
    if (picture.Width == screenWidth && picture.Height == screenHeight)
        return picture;
    switch (layout) {
    case TWallpaperLayout::Tiled:
        return Tile(picture, screenWidth, screenHeight);
    case TWallpaperLayout::Stretched:
        return ScalePicture(picture, screenWidth, screenHeight);
    case TWallpaperLayout::Centred:
        break;
    }
    return Centre(picture, screenWidth, screenHeight);
}
