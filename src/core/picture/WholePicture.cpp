#include "core/picture/WholePicture.h"

#include "core/picture/Picture.h"

#include <cstdlib>

namespace {

quint8 At(const QByteArray& data, qsizetype at) {
    return static_cast<quint8>(data[at]);
}

int Word16(const QByteArray& data, qsizetype at, bool bigEndian) {
    return bigEndian ? At(data, at) << 8 | At(data, at + 1) : At(data, at) | At(data, at + 1) << 8;
}

qint32 Word32(const QByteArray& data, qsizetype at) {
    return qint32(quint32(At(data, at)) | quint32(At(data, at + 1)) << 8 | quint32(At(data, at + 2)) << 16 |
                  quint32(At(data, at + 3)) << 24);
}

// JPEG: markers with a length carry that many bytes; a scan's coded data ends at the first marker
// that is neither a stuffed 0xFF nor a restart marker. Only the end-of-image marker ends the file;
// one inside an embedded thumbnail sits within its segment and is skipped with it. Each segment with
// a length is shown to `visit` (its marker and where its length field starts), which may end the walk
// by returning false. True when the walk reached the end-of-image marker.
template <typename Visit> bool WalkJpeg(const QByteArray& data, Visit visit) {
    const qsizetype size = data.size();
    qsizetype at = 2;
    bool inScan = false;
    while (at + 1 < size) {
        if (At(data, at) != 0xff) {
            if (!inScan)
                return false;
            ++at;
            continue;
        }
        const quint8 marker = At(data, at + 1);
        if (marker == 0xd9)
            return true;
        const bool standsAlone = marker == 0x01 || (marker >= 0xd0 && marker <= 0xd8);
        if ((inScan && marker == 0x00) || standsAlone) {
            at += 2;
            continue;
        }
        if (marker == 0xff) { // fill bytes before a marker
            ++at;
            continue;
        }
        if (at + 3 >= size)
            return false;
        const qsizetype length = (qsizetype(At(data, at + 2)) << 8) | At(data, at + 3);
        if (length < 2 || !visit(marker, at + 2, length))
            return false;
        at += 2 + length;
        inScan = marker == 0xda;
    }
    return false;
}

bool IsWholeJpeg(const QByteArray& data) {
    return WalkJpeg(data, [](quint8, qsizetype, qsizetype) { return true; });
}

// The frame header (SOF0 to SOF15, apart from the markers that share their range) gives the size.
std::optional<QSize> JpegDimensions(const QByteArray& data) {
    std::optional<QSize> found;
    WalkJpeg(data, [&](quint8 marker, qsizetype at, qsizetype length) {
        const bool frame =
            marker >= 0xc0 && marker <= 0xcf && marker != 0xc4 && marker != 0xc8 && marker != 0xcc;
        if (!frame)
            return true;
        if (length >= 7 && at + 7 <= data.size())
            found = QSize(Word16(data, at + 5, true), Word16(data, at + 3, true));
        return false;
    });
    return found;
}

// GIF: after the screen descriptor and its colour table come extensions and images, each a chain
// of sub-blocks ended by an empty one, until the trailer.
bool IsWholeGif(const QByteArray& data) {
    const qsizetype size = data.size();
    if (size < 13)
        return false;
    const auto colourTable = [](quint8 flags) {
        return (flags & 0x80) ? qsizetype(3) << ((flags & 7) + 1) : 0;
    };
    qsizetype at = 13 + colourTable(At(data, 10));
    const auto skipSubBlocks = [&] {
        while (at < size && At(data, at) != 0)
            at += 1 + At(data, at);
        ++at; // the empty block
        return at <= size;
    };
    while (at < size) {
        const quint8 block = At(data, at);
        if (block == 0x3b)
            return true;
        if (block == 0x21) {
            at += 2;
        } else if (block == 0x2c) {
            if (at + 10 > size)
                return false;
            at += 10 + colourTable(At(data, at + 9)) + 1; // descriptor, table, LZW code size
        } else {
            return false;
        }
        if (!skipSubBlocks())
            return false;
    }
    return false;
}

// A bitmap's file header gives the size of the whole file.
bool IsWholeBmp(const QByteArray& data) {
    if (data.size() < 6)
        return false;
    const qint64 announced = quint32(Word32(data, 2));
    return announced >= 26 && data.size() >= announced;
}

bool IsJpeg(const QByteArray& data) {
    return data.startsWith("\xff\xd8");
}
bool IsGif(const QByteArray& data) {
    return data.startsWith("GIF87a") || data.startsWith("GIF89a");
}
bool IsBmp(const QByteArray& data) {
    return data.startsWith("BM");
}

} // namespace

bool IsWholePicture(const QByteArray& data) {
    if (IsJpeg(data))
        return IsWholeJpeg(data);
    if (IsGif(data))
        return IsWholeGif(data);
    if (IsBmp(data))
        return IsWholeBmp(data);
    return false;
}

std::optional<QSize> PictureDimensions(const QByteArray& data) {
    qint64 width = 0, height = 0;
    if (IsJpeg(data)) {
        const std::optional<QSize> size = JpegDimensions(data);
        if (size) {
            width = size->width();
            height = size->height();
        }
    } else if (IsGif(data) && data.size() >= 10) {
        width = Word16(data, 6, false);
        height = Word16(data, 8, false);
    } else if (IsBmp(data) && data.size() >= 26) {
        // The old OS/2 header holds 16-bit sides; every later one 32-bit, the height negative for a
        // picture stored top-down.
        const bool oldHeader = Word32(data, 14) == 12;
        width = oldHeader ? Word16(data, 18, false) : Word32(data, 18);
        height = oldHeader ? Word16(data, 20, false) : std::abs(qint64(Word32(data, 22)));
    }
    if (!PictureSizeAllowed(width, height))
        return std::nullopt;
    return QSize(int(width), int(height));
}
