#include "core/AtomicFile.h"
#include "core/picture/DecodedRows.h"
#include "core/picture/PictureEncoders.h"

#include <QFileDevice>
#include <QtEndian>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sys/uio.h>

namespace {

constexpr int HeadersSize = 14 + 40;

qsizetype Stride(qsizetype rowBytes) {
    return (rowBytes + 3) & ~qsizetype(3);
}
qsizetype Stride(const TPicture& picture) {
    return Stride(picture.RowBytes());
}

QByteArray Headers(int width, int height) {
    const qsizetype imageSize = Stride(qsizetype(width) * 3) * height;
    QByteArray headers(HeadersSize, '\0');
    char* out = headers.data();
    out[0] = 'B';
    out[1] = 'M';
    qToLittleEndian<quint32>(quint32(HeadersSize + imageSize), out + 2);
    qToLittleEndian<quint32>(HeadersSize, out + 10);
    qToLittleEndian<quint32>(40, out + 14);
    qToLittleEndian<quint32>(quint32(width), out + 18);
    qToLittleEndian<quint32>(quint32(height), out + 22); // positive: bottom-up, which every reader accepts
    qToLittleEndian<quint16>(1, out + 26);
    qToLittleEndian<quint16>(24, out + 28);
    qToLittleEndian<quint32>(quint32(imageSize), out + 34);
    qToLittleEndian<quint32>(2835, out + 38); // 72 dots per inch
    qToLittleEndian<quint32>(2835, out + 42);
    return headers;
}

// Rows per band of about 256 KB: small enough to stay in the processor's cache, large enough for
// few writes.
int RowsPerBand(qsizetype stride, int height) {
    return int(std::clamp<qsizetype>((256 * 1024) / stride, 1, height));
}

// Hands the stored rows (bottom row first, each padded to four bytes) to `take` in bands of about
// 256 KB.
template <typename Take> bool EmitRows(const TPicture& picture, Take take) {
    const qsizetype rowBytes = picture.RowBytes(), stride = Stride(picture);
    const int rowsPerBand = RowsPerBand(stride, picture.Height);
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

// Writes `count` rows that follow each other top-down in memory to the file at `offset`, bottom row
// first and each padded to `stride`, straight from the rows: the system gathers them, so they are not
// copied into a band first. False when the file refused part of them.
bool GatherRows(int fd, qint64 offset, const char* top, int count, qsizetype rowBytes, qsizetype stride) {
    static constexpr char Padding[3] = {};
    // Two parts a row (pixels and padding), in batches the system takes in one call.
    constexpr int RowsPerCall = 256;
    iovec parts[2 * RowsPerCall];
    for (int bottom = count - 1; bottom >= 0;) {
        const int rows = std::min(RowsPerCall, bottom + 1);
        int partCount = 0;
        for (int i = 0; i < rows; ++i, --bottom) {
            parts[partCount++] = {const_cast<char*>(top + rowBytes * bottom), std::size_t(rowBytes)};
            if (stride > rowBytes)
                parts[partCount++] = {const_cast<char*>(Padding), std::size_t(stride - rowBytes)};
        }
        iovec* part = parts;
        for (qsizetype left = stride * rows; left > 0;) {
            const ssize_t written = pwritev(fd, part, partCount, offset);
            if (written < 0 && errno == EINTR)
                continue;
            if (written <= 0)
                return false;
            offset += written;
            left -= written;
            // Past the parts written whole, into the one written in part.
            std::size_t skip = std::size_t(written);
            for (; partCount > 0 && skip >= part->iov_len; ++part, --partCount)
                skip -= part->iov_len;
            if (partCount > 0) {
                part->iov_base = static_cast<char*>(part->iov_base) + skip;
                part->iov_len -= skip;
            }
        }
    }
    return true;
}

} // namespace

QByteArray EncodeBmp(const TPicture& picture) {
    if (picture.IsNull())
        return {};
    QByteArray file = Headers(picture.Width, picture.Height);
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
    TDecodedRows whole;
    whole.Finish(&picture);
    return WriteBmpFile(path, whole);
}

TResult<> WriteBmpFile(const QString& path, TDecodedRows& rows) {
    const std::optional<TDecodedRows::TShape> shape = rows.WaitForBegin();
    if (!shape)
        return Failure(QStringLiteral("no picture to save"));
    const int width = shape->Width, height = shape->Height;
    const qsizetype rowBytes = qsizetype(width) * 3, stride = Stride(rowBytes);
    const int rowsPerBand = RowsPerBand(stride, height);
    // The file holds the bottom row first, and the rows come from the top: each band of them goes
    // in reversed to its own place, so that the file is whole once the last row came.
    QByteArray band;
    const auto writeRows = [&](QIODevice& file, int first, int count, const char* pixels) {
        // A plain file takes the rows where they are. Where it refuses them, the band below tries
        // again and leaves the device's own account of what went wrong.
        auto* plainFile = qobject_cast<QFileDevice*>(&file);
        const qint64 offset = HeadersSize + stride * (height - first - count);
        if (plainFile && plainFile->handle() >= 0 && plainFile->flush() &&
            GatherRows(plainFile->handle(), offset, pixels, count, rowBytes, stride))
            return true;
        if (band.isEmpty())
            band = QByteArray(stride * rowsPerBand, '\0');
        for (int done = 0; done < count;) {
            const int rows = std::min(rowsPerBand, count - done);
            for (int i = 0; i < rows; ++i)
                std::memcpy(band.data() + stride * (rows - 1 - i), pixels + rowBytes * (done + i),
                            std::size_t(rowBytes)); // padding stays zero
            const int bottom = first + done + rows - 1;
            if (!file.seek(HeadersSize + stride * (height - 1 - bottom)) ||
                file.write(band.constData(), stride * rows) != stride * rows)
                return false;
            done += rows;
        }
        return true;
    };
    // A bitmap is written again at every refresh: it need not wait for the disk.
    const QString error = WriteFileAtomically(
        path,
        [&](QIODevice& file) {
            if (file.write(Headers(width, height)) != HeadersSize)
                return false;
            for (int have = 0; have < height;) {
                const bool read = rows.ReadMoreRows(have, [&](int first, int count, const char* pixels) {
                    have = first + count;
                    return writeRows(file, first, count, pixels);
                });
                if (!read)
                    return false;
            }
            // Every row is in; a picture found broken at its very end is not kept.
            return rows.WaitForVerdict();
        },
        TFileDurability::Cached);
    if (!error.isEmpty())
        return Failure(error);
    return {};
}
