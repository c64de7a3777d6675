#include "platform/AtomicFile.h"
#include "wallpaper/PictureEncoders.h"

#include <QtEndian>
#include <cstring>

namespace {

constexpr int HeadersSize = 14 + 40;

void Put16(char* at, quint16 value) {
    qToLittleEndian(value, at);
}
void Put32(char* at, quint32 value) {
    qToLittleEndian(value, at);
}

} // namespace

QByteArray EncodeBmp(const TPicture& picture) {
    if (picture.IsNull())
        return {};
    const qsizetype rowBytes = picture.RowBytes();
    const qsizetype stride = (rowBytes + 3) & ~qsizetype(3);
    const qsizetype imageSize = stride * picture.Height;
    QByteArray file(HeadersSize + imageSize, Qt::Uninitialized);
    char* out = file.data();
    std::memset(out, 0, HeadersSize);
    out[0] = 'B';
    out[1] = 'M';
    Put32(out + 2, quint32(file.size()));
    Put32(out + 10, HeadersSize);
    Put32(out + 14, 40);
    Put32(out + 18, quint32(picture.Width));
    Put32(out + 22, quint32(picture.Height)); // positive: bottom-up, which every reader accepts
    Put16(out + 26, 1);
    Put16(out + 28, 24);
    Put32(out + 34, quint32(imageSize));
    Put32(out + 38, 2835); // 72 dots per inch
    Put32(out + 42, 2835);
    char* row = out + HeadersSize;
    for (int y = picture.Height - 1; y >= 0; --y, row += stride) {
        std::memcpy(row, picture.Row(y), std::size_t(rowBytes));
        std::memset(row + rowBytes, 0, std::size_t(stride - rowBytes));
    }
    return file;
}

QString WriteBmpFile(const QString& path, const TPicture& picture) {
    if (picture.IsNull())
        return QStringLiteral("no picture to save");
    return WriteFileAtomically(path, EncodeBmp(picture));
}
