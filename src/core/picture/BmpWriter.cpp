#include "core/AtomicFile.h"
#include "core/picture/PictureEncoders.h"

#include <QIODevice>
#include <QtEndian>
#include <algorithm>
#include <cstring>

namespace {

constexpr int HeadersSize = 14 + 40;

qsizetype Stride(const TPicture& picture) {
    return (picture.RowBytes() + 3) & ~qsizetype(3);
}

QByteArray Headers(const TPicture& picture) {
    const qsizetype imageSize = Stride(picture) * picture.Height;
    QByteArray headers(HeadersSize, '\0');
    char* out = headers.data();
    out[0] = 'B';
    out[1] = 'M';
    qToLittleEndian<quint32>(quint32(HeadersSize + imageSize), out + 2);
    qToLittleEndian<quint32>(HeadersSize, out + 10);
    qToLittleEndian<quint32>(40, out + 14);
    qToLittleEndian<quint32>(quint32(picture.Width), out + 18);
    qToLittleEndian<quint32>(quint32(picture.Height),
                             out + 22); // positive: bottom-up, which every reader accepts
    qToLittleEndian<quint16>(1, out + 26);
    qToLittleEndian<quint16>(24, out + 28);
    qToLittleEndian<quint32>(quint32(imageSize), out + 34);
    qToLittleEndian<quint32>(2835, out + 38); // 72 dots per inch
    qToLittleEndian<quint32>(2835, out + 42);
    return headers;
}

// Hands the stored rows (bottom row first, each padded to four bytes) to `take` in bands of about
// 256 KB: small enough to stay in the processor's cache, large enough for few writes.
template <typename Take> bool EmitRows(const TPicture& picture, Take take) {
    const qsizetype rowBytes = picture.RowBytes(), stride = Stride(picture);
    const int rowsPerBand = int(std::clamp<qsizetype>((256 * 1024) / stride, 1, picture.Height));
    QByteArray band(stride * rowsPerBand, '\0');
    int y = picture.Height - 1;
    while (y >= 0) {
        const int rows = std::min(rowsPerBand, y + 1);
        for (int i = 0; i < rows; ++i, --y)
            std::memcpy(band.data() + stride * i, picture.Row(y),
                        std::size_t(rowBytes)); // padding stays zero
        if (!take(band.constData(), stride * rows))
            return false;
    }
    return true;
}

} // namespace

QByteArray EncodeBmp(const TPicture& picture) {
    if (picture.IsNull())
        return {};
    QByteArray file = Headers(picture);
    file.reserve(HeadersSize + Stride(picture) * picture.Height);
    EmitRows(picture, [&file](const char* bytes, qsizetype count) {
        file.append(bytes, count);
        return true;
    });
    return file;
}

TResult<> WriteBmpFile(const QString& path, const TPicture& picture) {
    if (picture.IsNull())
        return Failure(QStringLiteral("no picture to save"));
    // A bitmap is written again at every refresh: it need not wait for the disk.
    const QString error = WriteFileAtomically(
        path,
        [&picture](QIODevice& file) {
            return file.write(Headers(picture)) == HeadersSize &&
                   EmitRows(picture, [&file](const char* bytes, qsizetype count) {
                       return file.write(bytes, count) == count;
                   });
        },
        TFileDurability::Cached);
    if (!error.isEmpty())
        return Failure(error);
    return {};
}
