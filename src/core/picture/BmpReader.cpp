#include "core/picture/DecodeFailure.h"
#include "core/picture/PictureDecoders.h"

#include <QtEndian>
#include <algorithm>
#include <bit>
#include <vector>

namespace {

enum : quint32 { BiRgb = 0, BiRle8 = 1, BiRle4 = 2, BiBitFields = 3, BiAlphaBitFields = 6 };

struct TBgr {
    quint8 Blue = 0, Green = 0, Red = 0;
};

// One colour channel given by a bit mask, widened to eight bits.
struct TChannel {
    quint32 Mask = 0;
    int Shift = 0;
    int Bits = 0;

    static TChannel FromMask(quint32 mask) {
        TChannel channel{mask, 0, 0};
        if (mask) {
            channel.Shift = std::countr_zero(mask);
            channel.Bits = std::min(std::countr_one(mask >> channel.Shift), 32);
        }
        return channel;
    }
    quint8 Value(quint32 pixel) const {
        if (!Bits)
            return 0;
        const quint32 value = (pixel & Mask) >> Shift;
        if (Bits >= 8)
            return quint8(value >> (Bits - 8));
        return quint8(value * 255 / ((1u << Bits) - 1));
    }
};

struct TBmpHeader {
    qint64 Width = 0;
    qint64 Height = 0; // negative: rows stored top-down
    int BitCount = 0;
    quint32 Compression = BiRgb;
    TChannel Red, Green, Blue;
    std::vector<TBgr> Palette;
    qsizetype DataOffset = 0;
};

class TBmpBytes {
public:
    explicit TBmpBytes(const QByteArray& data)
        : m_data(reinterpret_cast<const uchar*>(data.constData()))
        , m_size(data.size()) {}
    qsizetype Size() const { return m_size; }
    bool Has(qsizetype offset, qsizetype count) const {
        return offset >= 0 && count >= 0 && offset <= m_size - count;
    }
    const uchar* At(qsizetype offset) const { return m_data + offset; }
    quint16 U16(qsizetype offset) const { return qFromLittleEndian<quint16>(m_data + offset); }
    quint32 U32(qsizetype offset) const { return qFromLittleEndian<quint32>(m_data + offset); }
    qint32 I32(qsizetype offset) const { return qFromLittleEndian<qint32>(m_data + offset); }

private:
    const uchar* m_data;
    qsizetype m_size;
};

constexpr qsizetype FileHeaderSize = 14;

TResult<TBmpHeader> ReadHeader(const TBmpBytes& bytes) {
    auto fail = [](const char* reason) { return Failure(QString::fromLatin1(reason)); };
    if (!bytes.Has(0, FileHeaderSize + 4) || bytes.At(0)[0] != 'B' || bytes.At(0)[1] != 'M')
        return fail("not a Windows bitmap");
    const quint32 infoSize = bytes.U32(FileHeaderSize);
    if (infoSize < 12 || !bytes.Has(FileHeaderSize, infoSize))
        return fail("bitmap header cut short");

    TBmpHeader header;
    const qsizetype info = FileHeaderSize;
    qsizetype paletteEntrySize = 4;
    quint32 coloursUsed = 0;
    if (infoSize == 12) { // the old OS/2 core header: 16-bit sizes, three-byte palette entries
        header.Width = bytes.U16(info + 4);
        header.Height = bytes.U16(info + 6);
        header.BitCount = bytes.U16(info + 10);
        paletteEntrySize = 3;
    } else {
        if (infoSize < 16)
            return fail("bitmap header cut short");
        header.Width = bytes.I32(info + 4);
        header.Height = bytes.I32(info + 8);
        header.BitCount = bytes.U16(info + 14);
        if (infoSize >= 20)
            header.Compression = bytes.U32(info + 16);
        if (infoSize >= 36)
            coloursUsed = bytes.U32(info + 32);
        // OS/2's second header reuses the numbers 3 and 4 for Huffman and RLE24.
        if (infoSize == 64 && header.Compression >= BiBitFields)
            return fail("OS/2 bitmap compression not supported");
    }

    qsizetype afterHeader = info + infoSize;
    switch (header.Compression) {
    case BiRgb:
        if (header.BitCount == 16) {
            header.Red = TChannel::FromMask(0x7c00);
            header.Green = TChannel::FromMask(0x03e0);
            header.Blue = TChannel::FromMask(0x001f);
        } else if (header.BitCount == 32) {
            header.Red = TChannel::FromMask(0x00ff0000);
            header.Green = TChannel::FromMask(0x0000ff00);
            header.Blue = TChannel::FromMask(0x000000ff);
        } else if (header.BitCount != 1 && header.BitCount != 4 && header.BitCount != 8 &&
                   header.BitCount != 24) {
            return fail("unsupported bitmap depth");
        }
        break;
    case BiRle8:
    case BiRle4:
        if (header.BitCount != (header.Compression == BiRle8 ? 8 : 4))
            return fail("run-length bitmap with the wrong depth");
        break;
    case BiBitFields:
    case BiAlphaBitFields: {
        if (header.BitCount != 16 && header.BitCount != 32)
            return fail("bit fields with an unsupported depth");
        // Masks sit inside the newer headers, right after the 40-byte one otherwise.
        const qsizetype masks = info + 40;
        if (infoSize == 40)
            afterHeader += header.Compression == BiAlphaBitFields ? 16 : 12;
        if (!bytes.Has(masks, 12))
            return fail("bitmap header cut short");
        header.Red = TChannel::FromMask(bytes.U32(masks));
        header.Green = TChannel::FromMask(bytes.U32(masks + 4));
        header.Blue = TChannel::FromMask(bytes.U32(masks + 8));
        break;
    }
    default:
        return fail("unsupported bitmap compression");
    }

    if (header.Width <= 0 || header.Height == 0)
        return fail("bitmap with no pixels");
    if (!PictureSizeAllowed(header.Width, std::abs(header.Height)))
        return SizeRefused(header.Width, std::abs(header.Height));
    if (header.BitCount <= 8) {
        const quint32 most = 1u << header.BitCount;
        const quint32 count = coloursUsed == 0 || coloursUsed > most ? most : coloursUsed;
        for (quint32 i = 0; i < count && bytes.Has(afterHeader + i * paletteEntrySize, 3); ++i) {
            const uchar* entry = bytes.At(afterHeader + i * paletteEntrySize);
            header.Palette.push_back({entry[0], entry[1], entry[2]});
        }
        if (header.Palette.empty())
            return fail("bitmap palette missing");
        afterHeader += qsizetype(header.Palette.size()) * paletteEntrySize;
    }

    // Some writers leave the data offset at zero or point it into the header; the pixels then
    // follow the palette.
    const quint32 offset = bytes.U32(10);
    header.DataOffset = offset >= FileHeaderSize + infoSize ? qsizetype(offset) : afterHeader;
    if (header.DataOffset >= bytes.Size())
        return fail("bitmap pixel data missing");
    return header;
}

quint32 LittleEndianPixel(const uchar* p, int bytes) {
    return bytes == 2 ? qFromLittleEndian<quint16>(p) : qFromLittleEndian<quint32>(p);
}

void PutColour(char* pixel, TBgr colour) {
    pixel[0] = char(colour.Blue);
    pixel[1] = char(colour.Green);
    pixel[2] = char(colour.Red);
}

// An index beyond the palette is drawn black.
TBgr PaletteColour(const TBmpHeader& header, unsigned index) {
    return index < header.Palette.size() ? header.Palette[index] : TBgr{};
}

bool DecodeUncompressed(const TBmpBytes& bytes, const TBmpHeader& header, TPicture& picture) {
    const int width = picture.Width, height = picture.Height;
    const qsizetype stride = ((qsizetype(width) * header.BitCount + 31) / 32) * 4;
    const qsizetype lastRow = (qsizetype(width) * header.BitCount + 7) / 8;
    // The final row's padding may be missing; anything shorter is a header that promises more
    // pixels than the file holds.
    if (!bytes.Has(header.DataOffset, stride * (height - 1) + lastRow))
        return false;
    const bool bottomUp = header.Height > 0;
    for (int row = 0; row < height; ++row) {
        const uchar* source = bytes.At(header.DataOffset + stride * row);
        char* target = picture.Row(bottomUp ? height - 1 - row : row);
        switch (header.BitCount) {
        case 24:
            std::copy_n(reinterpret_cast<const char*>(source), qsizetype(width) * 3, target);
            break;
        case 16:
        case 32: {
            const int size = header.BitCount / 8;
            for (int x = 0; x < width; ++x, source += size, target += 3) {
                const quint32 value = LittleEndianPixel(source, size);
                PutColour(target,
                          {header.Blue.Value(value), header.Green.Value(value), header.Red.Value(value)});
            }
            break;
        }
        default: {
            const int bits = header.BitCount;
            const unsigned mask = (1u << bits) - 1;
            for (int x = 0; x < width; ++x, target += 3) {
                const qsizetype bit = qsizetype(x) * bits;
                const unsigned index = (source[bit / 8] >> (8 - bits - bit % 8)) & mask;
                PutColour(target, PaletteColour(header, index));
            }
        }
        }
    }
    return true;
}

// Run-length data: skipped pixels stay black. Rows count from the bottom unless the height is
// negative. The data must end with its end-of-bitmap mark unless every row was reached.
bool DecodeRunLength(const TBmpBytes& bytes, const TBmpHeader& header, TPicture& picture) {
    const int width = picture.Width, height = picture.Height;
    const bool four = header.Compression == BiRle4;
    const bool bottomUp = header.Height > 0;
    qsizetype at = header.DataOffset;
    int x = 0, y = 0;
    auto put = [&](unsigned index) {
        if (x < width && y < height)
            PutColour(picture.Row(bottomUp ? height - 1 - y : y) + qsizetype(x) * 3,
                      PaletteColour(header, index));
        ++x;
    };
    while (y < height) {
        if (!bytes.Has(at, 2))
            return false;
        const uchar count = bytes.At(at)[0], value = bytes.At(at)[1];
        at += 2;
        if (count > 0) {
            for (int i = 0; i < count && x < width; ++i)
                put(four ? (i % 2 ? value & 0x0f : value >> 4) : value);
            continue;
        }
        if (value == 0) { // end of line
            x = 0;
            ++y;
        } else if (value == 1) { // end of bitmap
            return true;
        } else if (value == 2) { // move right and up
            if (!bytes.Has(at, 2))
                return false;
            // Kept within the row: past its end nothing is drawn, and endless moves must not overflow.
            x = std::min(x + bytes.At(at)[0], width);
            y += bytes.At(at)[1];
            at += 2;
        } else { // literal pixels, padded to a 16-bit boundary
            const qsizetype length = four ? (value + 1) / 2 : value;
            if (!bytes.Has(at, length))
                return false;
            const uchar* literal = bytes.At(at);
            for (int i = 0; i < value && x < width; ++i)
                put(four ? (i % 2 ? literal[i / 2] & 0x0f : literal[i / 2] >> 4) : literal[i]);
            at += length + (length & 1);
        }
    }
    return true;
}

} // namespace

TResult<TPicture> DecodeBmp(const QByteArray& data) {
    const TBmpBytes bytes(data);
    const TResult<TBmpHeader> header = ReadHeader(bytes);
    if (!header)
        return Failure(header.Error());
    TPicture picture = MakePicture(int(header->Width), int(std::abs(header->Height)));
    const bool runLength = header->Compression == BiRle8 || header->Compression == BiRle4;
    const bool decoded =
        runLength ? DecodeRunLength(bytes, *header, picture) : DecodeUncompressed(bytes, *header, picture);
    if (!decoded)
        return Failure(QStringLiteral("bitmap pixel data cut short"));
    return picture;
}
