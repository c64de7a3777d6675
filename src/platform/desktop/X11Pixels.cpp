#include "platform/desktop/X11Pixels.h"

#include "platform/desktop/X11Display.h"

#include <QtEndian>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <algorithm>
#include <bit>
#include <cstdlib>
#include <memory>
#include <sys/ipc.h>
#include <sys/shm.h>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

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

// Pixels of a row from `column` on, four at a time: their twelve bytes as three little-endian words
// give four words of blue, green, red and pad without reading past the row. Returns where it ended.
int ConvertWordsToBgrx(const uchar* source, uchar* out, int column, int width) {
    source += std::size_t(column) * 3;
    out += std::size_t(column) * 4;
    for (; column + 4 <= width; column += 4, source += 12, out += 16) {
        const quint32 a = qFromLittleEndian<quint32>(source);
        const quint32 b = qFromLittleEndian<quint32>(source + 4);
        const quint32 c = qFromLittleEndian<quint32>(source + 8);
        qToLittleEndian<quint32>(a & 0xffffffu, out);
        qToLittleEndian<quint32>((a >> 24) | ((b & 0xffffu) << 8), out + 4);
        qToLittleEndian<quint32>((b >> 16) | ((c & 0xffu) << 16), out + 8);
        qToLittleEndian<quint32>(c >> 8, out + 12);
    }
    return column;
}

#if defined(__x86_64__)
// Sixteen pixels at a time with byte shuffles, on processors that have them (SSSE3): three loads
// of sixteen bytes are exactly sixteen pixels, realigned into four groups of four and spread out
// with a zero pad byte each. Returns where it ended.
__attribute__((target("ssse3"))) int ConvertShuffledToBgrx(const uchar* source, uchar* out, int width) {
    const __m128i spread = _mm_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
    int column = 0;
    for (; column + 16 <= width; column += 16, source += 48, out += 64) {
        const __m128i first = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source));
        const __m128i second = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + 16));
        const __m128i third = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + 32));
        const __m128i groups[] = {first, _mm_alignr_epi8(second, first, 12),
                                  _mm_alignr_epi8(third, second, 8), _mm_srli_si128(third, 4)};
        for (int group = 0; group < 4; ++group)
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 16 * group),
                             _mm_shuffle_epi8(groups[group], spread));
    }
    return column;
}

bool HasByteShuffles() {
    static const bool has = __builtin_cpu_supports("ssse3");
    return has;
}
#endif

// Rows of the picture from `top` on in the common true-colour layout, `count` rows at `target`.
void ConvertToBgrx(const TPicture& picture, int top, int count, char* target, int bytesPerLine) {
    const int width = picture.Width;
    for (int y = 0; y < count; ++y) {
        const uchar* source = reinterpret_cast<const uchar*>(picture.Row(top + y));
        uchar* out = reinterpret_cast<uchar*>(target + std::size_t(y) * std::size_t(bytesPerLine));
        int column = 0;
#if defined(__x86_64__)
        if (HasByteShuffles())
            column = ConvertShuffledToBgrx(source, out, width);
#endif
        column = ConvertWordsToBgrx(source, out, column, width);
        for (source += std::size_t(column) * 3, out += std::size_t(column) * 4; column < width;
             ++column, source += 3, out += 4) {
            out[0] = source[0];
            out[1] = source[1];
            out[2] = source[2];
            out[3] = 0;
        }
    }
}

// Fills an image made for the screen's visual with rows of the picture from `top` on.
void ConvertInto(XImage* image, const TPicture& picture, int top) {
    if (IsBgrx(image)) {
        ConvertToBgrx(picture, top, image->height, image->data, image->bytes_per_line);
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

// Shared memory with a server on the same machine: the pixels reach it without passing through
// the connection. Two bands of rows take turns, so that one is filled while the server copies the
// other out; the server says when it is done with each.
class TSharedBands {
public:
    TSharedBands(const TX11Display& display, int width, int rowsPerBand)
        : m_display(display.Handle())
        , m_rows(rowsPerBand) {
        Display* x = m_display;
        if (!XShmQueryExtension(x))
            return;
        m_image.reset(XShmCreateImage(x, DefaultVisual(x, DefaultScreen(x)), unsigned(display.Depth()),
                                      ZPixmap, nullptr, &m_segment, unsigned(width),
                                      unsigned(2 * rowsPerBand)));
        if (!m_image || !IsBgrx(m_image.get()))
            return;
        m_segment.shmid =
            shmget(IPC_PRIVATE, std::size_t(m_image->bytes_per_line) * std::size_t(2 * rowsPerBand),
                   IPC_CREAT | 0600);
        if (m_segment.shmid < 0)
            return;
        m_segment.shmaddr = m_image->data = static_cast<char*>(shmat(m_segment.shmid, nullptr, 0));
        m_segment.readOnly = True;
        // Gone as soon as both sides let go, even when this program dies now.
        const bool mapped = m_segment.shmaddr != reinterpret_cast<char*>(-1);
        if (mapped) {
            TX11ErrorTrap trap(display); // a server on another machine refuses
            XShmAttach(x, &m_segment);
            m_attached = !trap.Failed();
        }
        shmctl(m_segment.shmid, IPC_RMID, nullptr);
        if (!mapped)
            m_segment.shmaddr = m_image->data = nullptr;
        m_completion = XShmGetEventBase(x) + ShmCompletion;
    }
    ~TSharedBands() {
        if (m_attached) {
            XShmDetach(m_display, &m_segment);
            XSync(m_display, False);
        }
        if (m_segment.shmaddr)
            shmdt(m_segment.shmaddr);
        if (m_image)
            m_image->data = nullptr; // not malloc's to free
    }
    TSharedBands(const TSharedBands&) = delete;
    TSharedBands& operator=(const TSharedBands&) = delete;

    bool IsUsable() const { return m_attached; }

    void Put(unsigned long drawable, GC gc, const TPicture& picture, QPoint at) {
        for (int top = 0; top < picture.Height; top += m_rows, m_band ^= 1) {
            // The band filled two turns ago must be copied out before it is filled again; the
            // server finishes requests in order.
            if (m_pending == 2) {
                WaitForCompletion();
                --m_pending;
            }
            const int rows = std::min(m_rows, picture.Height - top);
            const int offset = m_band * m_rows;
            ConvertToBgrx(picture, top, rows,
                          m_image->data + std::size_t(offset) * std::size_t(m_image->bytes_per_line),
                          m_image->bytes_per_line);
            XShmPutImage(m_display, drawable, gc, m_image.get(), 0, offset, at.x(), at.y() + top,
                         unsigned(picture.Width), unsigned(rows), True);
            XFlush(m_display);
            ++m_pending;
        }
    }

    // Waits until the server has copied every band out.
    void Finish() {
        XSync(m_display, False);
        XEvent event;
        while (XCheckTypedEvent(m_display, m_completion, &event)) {
        }
        m_pending = 0;
    }

private:
    void WaitForCompletion() {
        XEvent event;
        XIfEvent(
            m_display, &event,
            [](Display*, XEvent* e, XPointer type) { return Bool(e->type == *reinterpret_cast<int*>(type)); },
            reinterpret_cast<XPointer>(&m_completion));
    }

    Display* m_display;
    int m_rows;
    TImage m_image;
    XShmSegmentInfo m_segment{};
    bool m_attached = false;
    int m_completion = 0;
    int m_pending = 0;
    int m_band = 0;
};

// The rows a band holds: the picture goes over in bands through small buffers, which stay in the
// processor's cache; a screen-sized buffer would cost more in fresh memory than the copy.
int RowsPerBand(int width, int height) {
    return std::clamp((512 * 1024) / (width * 4), 1, std::max(height, 1));
}

} // namespace

struct TX11PictureUpload::TBands {
    std::optional<TSharedBands> Shared;
    TImage Plain; // through the connection, where no memory can be shared
    int Rows = 0;
};

TX11PictureUpload::TX11PictureUpload(const TX11Display& display, unsigned long drawable, int width,
                                     int height)
    : m_display(display)
    , m_drawable(drawable)
    , m_width(width)
    , m_bands(std::make_unique<TBands>()) {
    if (width <= 0 || height <= 0)
        return;
    Display* x = display.Handle();
    m_bands->Rows = RowsPerBand(width, height);
    m_bands->Shared.emplace(display, width, m_bands->Rows);
    if (!m_bands->Shared->IsUsable()) {
        m_bands->Shared.reset();
        m_bands->Plain.reset(XCreateImage(x, DefaultVisual(x, DefaultScreen(x)), unsigned(display.Depth()),
                                          ZPixmap, 0, nullptr, unsigned(width), unsigned(m_bands->Rows), 32,
                                          0));
        if (!m_bands->Plain)
            return;
        // The image owns a buffer from malloc, which XDestroyImage frees.
        m_bands->Plain->data = static_cast<char*>(
            std::malloc(std::size_t(m_bands->Plain->bytes_per_line) * std::size_t(m_bands->Rows)));
        if (!m_bands->Plain->data) {
            m_bands->Plain.reset();
            return;
        }
    }
    m_gc = XCreateGC(x, drawable, 0, nullptr);
}

TX11PictureUpload::~TX11PictureUpload() {
    if (m_gc)
        XFreeGC(m_display.Handle(), static_cast<GC>(m_gc));
}

bool TX11PictureUpload::Put(const TPicture& rows, QPoint at) {
    if (!m_gc || rows.IsNull() || rows.Width != m_width)
        return false;
    GC gc = static_cast<GC>(m_gc);
    if (m_bands->Shared) {
        m_bands->Shared->Put(m_drawable, gc, rows, at);
        return true;
    }
    XImage* image = m_bands->Plain.get();
    for (int top = 0; top < rows.Height; top += m_bands->Rows) {
        image->height = std::min(m_bands->Rows, rows.Height - top);
        ConvertInto(image, rows, top);
        XPutImage(m_display.Handle(), m_drawable, gc, image, 0, 0, at.x(), at.y() + top, unsigned(rows.Width),
                  unsigned(image->height));
    }
    return true;
}

bool TX11PictureUpload::Finish() {
    if (!m_gc)
        return false;
    if (m_bands->Shared)
        m_bands->Shared->Finish();
    return true;
}

bool PutPicture(const TX11Display& display, unsigned long drawable, const TPicture& picture, QPoint at) {
    if (picture.IsNull())
        return false;
    TX11PictureUpload upload(display, drawable, picture.Width, picture.Height);
    return upload.Put(picture, at) && upload.Finish();
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
