#include "platform/X11Pixels.h"

#include "platform/X11Display.h"

#include <QtEndian>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <algorithm>
#include <bit>
#include <cstdlib>
#include <memory>

namespace {

struct TImageDeleter {
    void operator()(XImage* image) const { XDestroyImage(image); }
};
using TImage = std::unique_ptr<XImage, TImageDeleter>;

// The common true-colour layout: one 32-bit little-endian word per pixel holding 8-bit red,
// green and blue, which is blue, green, red, pad in memory.
bool IsBgrx(const XImage* image) {
    return image->bits_per_pixel == 32 && image->byte_order == LSBFirst && image->red_mask == 0xff0000 &&
           image->green_mask == 0xff00 && image->blue_mask == 0xff;
}

// A channel's value placed into its mask, for visuals of other depths (16-bit screens).
unsigned long ToMask(unsigned value, unsigned long mask) {
    if (!mask)
        return 0;
    const int shift = std::countr_zero(mask);
    const int bits = std::popcount(mask);
    const unsigned long scaled = bits >= 8 ? (unsigned long)value << (bits - 8) : value >> (8 - bits);
    return (scaled << shift) & mask;
}

unsigned FromMask(unsigned long pixel, unsigned long mask) {
    if (!mask)
        return 0;
    const int shift = std::countr_zero(mask);
    const int bits = std::popcount(mask);
    const unsigned long value = (pixel & mask) >> shift;
    return bits >= 8 ? unsigned(value >> (bits - 8)) : unsigned(value * 255 / ((1ul << bits) - 1));
}

// Fills an image made for the screen's visual with rows of the picture from `top` on.
void ConvertInto(XImage* image, const TPicture& picture, int top) {
    if (IsBgrx(image)) {
        for (int y = 0; y < image->height; ++y) {
            const uchar* source = reinterpret_cast<const uchar*>(picture.Row(top + y));
            uchar* target = reinterpret_cast<uchar*>(image->data + std::size_t(y) * image->bytes_per_line);
            for (int column = 0; column < picture.Width; ++column, source += 3, target += 4) {
                target[0] = source[0];
                target[1] = source[1];
                target[2] = source[2];
                target[3] = 0;
            }
        }
        return;
    }
    for (int y = 0; y < image->height; ++y) {
        const uchar* source = reinterpret_cast<const uchar*>(picture.Row(top + y));
        for (int column = 0; column < picture.Width; ++column, source += 3)
            XPutPixel(image, column, y,
                      ToMask(source[2], image->red_mask) | ToMask(source[1], image->green_mask) |
                          ToMask(source[0], image->blue_mask));
    }
}

} // namespace

bool PutPicture(const TX11Display& display, unsigned long drawable, const TPicture& picture, QPoint at) {
    if (picture.IsNull())
        return false;
    Display* x = display.Handle();
    // The picture goes over in bands of rows through one small buffer, which stays in the
    // processor's cache; a screen-sized buffer would cost more in fresh memory than the copy.
    const int band = std::min(picture.Height, 32);
    TImage image(XCreateImage(x, DefaultVisual(x, DefaultScreen(x)), unsigned(display.Depth()), ZPixmap, 0,
                              nullptr, unsigned(picture.Width), unsigned(band), 32, 0));
    if (!image)
        return false;
    // The image owns a buffer from malloc, which XDestroyImage frees.
    image->data = static_cast<char*>(std::malloc(std::size_t(image->bytes_per_line) * std::size_t(band)));
    if (!image->data)
        return false;
    GC gc = XCreateGC(x, drawable, 0, nullptr);
    for (int top = 0; top < picture.Height; top += band) {
        image->height = std::min(band, picture.Height - top);
        ConvertInto(image.get(), picture, top);
        XPutImage(x, drawable, gc, image.get(), 0, 0, at.x(), at.y() + top, unsigned(picture.Width),
                  unsigned(image->height));
    }
    XFreeGC(x, gc);
    return true;
}

std::optional<TPicture> GetPicture(const TX11Display& display, unsigned long drawable, int width,
                                   int height) {
    TPicture picture = MakePicture(width, height);
    if (picture.IsNull())
        return std::nullopt;
    TImage image(
        XGetImage(display.Handle(), drawable, 0, 0, unsigned(width), unsigned(height), AllPlanes, ZPixmap));
    if (!image)
        return std::nullopt;
    // A pixmap's image carries no masks; they are the screen's visual's.
    Visual* visual = DefaultVisual(display.Handle(), DefaultScreen(display.Handle()));
    image->red_mask = visual->red_mask;
    image->green_mask = visual->green_mask;
    image->blue_mask = visual->blue_mask;
    const bool bgrx = IsBgrx(image.get());
    for (int y = 0; y < height; ++y) {
        uchar* target = reinterpret_cast<uchar*>(picture.Row(y));
        const uchar* source =
            reinterpret_cast<const uchar*>(image->data + std::size_t(y) * image->bytes_per_line);
        for (int column = 0; column < width; ++column, target += 3) {
            if (bgrx) {
                target[0] = source[column * 4];
                target[1] = source[column * 4 + 1];
                target[2] = source[column * 4 + 2];
                continue;
            }
            const unsigned long pixel = XGetPixel(image.get(), column, y);
            target[0] = uchar(FromMask(pixel, image->blue_mask));
            target[1] = uchar(FromMask(pixel, image->green_mask));
            target[2] = uchar(FromMask(pixel, image->red_mask));
        }
    }
    return picture;
}
