#include "PngWriter.h"

#include <QtEndian>
#include <zlib.h>

namespace {

void AppendBigEndian(QByteArray& out, quint32 value) {
    char bytes[4];
    qToBigEndian(value, bytes);
    out.append(bytes, 4);
}

void AppendChunk(QByteArray& out, const char* type, const QByteArray& data) {
    AppendBigEndian(out, quint32(data.size()));
    const qsizetype start = out.size();
    out.append(type, 4);
    out.append(data);
    const auto* checked = reinterpret_cast<const Bytef*>(out.constData() + start);
    AppendBigEndian(out, quint32(crc32(crc32(0, nullptr, 0), checked, uInt(out.size() - start))));
}

} // namespace

QByteArray EncodePng(const TPicture& picture) {
    if (picture.IsNull())
        return QByteArray();
    // Rows as PNG wants them: a filter byte (0, none) and red, green, blue for each pixel.
    QByteArray raw;
    raw.reserve((picture.RowBytes() + 1) * picture.Height);
    for (int y = 0; y < picture.Height; ++y) {
        raw.append('\0');
        const char* row = picture.Row(y);
        for (int x = 0; x < picture.Width; ++x) {
            const char* pixel = row + qsizetype(x) * 3;
            const char rgb[3] = {pixel[2], pixel[1], pixel[0]};
            raw.append(rgb, 3);
        }
    }
    uLongf packedSize = compressBound(uLong(raw.size()));
    QByteArray packed(qsizetype(packedSize), Qt::Uninitialized);
    if (compress2(reinterpret_cast<Bytef*>(packed.data()), &packedSize,
                  reinterpret_cast<const Bytef*>(raw.constData()), uLong(raw.size()), 6) != Z_OK)
        return QByteArray();
    packed.truncate(qsizetype(packedSize));

    QByteArray header;
    AppendBigEndian(header, quint32(picture.Width));
    AppendBigEndian(header, quint32(picture.Height));
    header.append("\x08\x02\x00\x00\x00", 5); // 8 bits, RGB, deflate, adaptive filters, no interlace

    QByteArray png("\x89PNG\r\n\x1a\n", 8);
    AppendChunk(png, "IHDR", header);
    AppendChunk(png, "IDAT", packed);
    AppendChunk(png, "IEND", QByteArray());
    return png;
}
