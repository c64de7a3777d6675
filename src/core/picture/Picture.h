#pragma once

#include <QByteArray>
#include <QtGlobal>

// A decoded picture: 24-bit colour, three bytes per pixel in blue, green, red order, rows from top
// to bottom, each row exactly Width * 3 bytes with no padding. This is what every decoder gives,
// what the bitmap writer saves and what the desktop backends draw.
struct TPicture {
    int Width = 0;
    int Height = 0;
    QByteArray Pixels;
    // One byte a pixel, in the same order, 0 where the picture is transparent (a GIF's transparent
    // colour); empty when every pixel is opaque. The colour under a transparent pixel is what a
    // desktop shows there, and windows that draw the picture over their own background skip it.
    QByteArray Opacity;

    bool HasOpacity() const { return !Opacity.isEmpty() && Opacity.size() == qsizetype(Width) * Height; }

    bool IsNull() const { return Width <= 0 || Height <= 0 || Pixels.size() != ByteCount(Width, Height); }
    qsizetype RowBytes() const { return qsizetype(Width) * 3; }
    const char* Row(int y) const { return Pixels.constData() + y * RowBytes(); }
    char* Row(int y) { return Pixels.data() + y * RowBytes(); }

    static qsizetype ByteCount(int width, int height) { return qsizetype(width) * height * 3; }
};

// Pictures larger than this are refused before any pixel memory is taken: a cam picture, or a
// broken header claiming one, must not make the program allocate gigabytes. 64 million pixels
// (192 MB decoded) is twice an 8K screen; no side may pass 16384.
constexpr int MaxPictureSide = 16384;
constexpr qint64 MaxPicturePixels = qint64(64) * 1024 * 1024;

// The largest picture file the program accepts, and so the most a picture download may write: the
// largest allowed picture as an uncompressed 32-bit bitmap, plus room for its headers and palette.
// No JPEG or GIF of an allowed size comes near it.
constexpr qint64 MaxPictureFileBytes = MaxPicturePixels * 4 + 64 * 1024;

// True when a picture of this size may be allocated.
inline bool PictureSizeAllowed(qint64 width, qint64 height) {
    return width > 0 && height > 0 && width <= MaxPictureSide && height <= MaxPictureSide &&
           width * height <= MaxPicturePixels;
}

// A picture of the given size with every pixel black; null when the size is not allowed.
TPicture MakePicture(int width, int height);

// A picture of the given size whose pixels are left to the caller, which writes every one of them
// (a decoder, a scaler): a large picture's memory is then touched once instead of twice. Null when
// the size is not allowed.
TPicture MakeUnfilledPicture(int width, int height);
