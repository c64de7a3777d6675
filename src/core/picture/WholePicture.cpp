#include "core/picture/WholePicture.h"

namespace {

quint8 At(const QByteArray& data, qsizetype at) {
    return static_cast<quint8>(data[at]);
}

// JPEG: markers with a length carry that many bytes; a scan's coded data ends at the first marker
// that is neither a stuffed 0xFF nor a restart marker. Only the end-of-image marker ends the file;
// one inside an embedded thumbnail sits within its segment and is skipped with it.
bool IsWholeJpeg(const QByteArray& data) {
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
        if (length < 2)
            return false;
        at += 2 + length;
        inScan = marker == 0xda;
    }
    return false;
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
    const qint64 announced = qint64(At(data, 2)) | qint64(At(data, 3)) << 8 | qint64(At(data, 4)) << 16 |
                             qint64(At(data, 5)) << 24;
    return announced >= 26 && data.size() >= announced;
}

} // namespace

bool IsWholePicture(const QByteArray& data) {
    if (data.startsWith("\xff\xd8"))
        return IsWholeJpeg(data);
    if (data.startsWith("GIF87a") || data.startsWith("GIF89a"))
        return IsWholeGif(data);
    if (data.startsWith("BM"))
        return IsWholeBmp(data);
    return false;
}
