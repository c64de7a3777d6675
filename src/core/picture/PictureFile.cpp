#include "core/picture/DecodedRows.h"
#include "core/picture/PictureDecoders.h"

#include <QFile>

namespace {

TResult<TPicture> Decode(const QString& path, const QString& extension, QSize atLeast, TDecodedRows* done) {
    const QString kind = extension.toLower();
    const bool jpeg = kind == QLatin1String(".jpg") || kind == QLatin1String(".jpeg");
    const bool gif = kind == QLatin1String(".gif");
    if (!jpeg && !gif && kind != QLatin1String(".bmp"))
        return Failure(QStringLiteral("no decoder for \"%1\" pictures").arg(extension));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Failure(file.errorString());
    const QByteArray data = file.readAll();
    if (jpeg)
        return DecodeJpeg(data, atLeast, done);
    return gif ? DecodeGif(data) : DecodeBmp(data);
}

} // namespace

TResult<TPicture> DecodePictureFile(const QString& path, const QString& extension, QSize atLeast,
                                    TDecodedRows* done) {
    TResult<TPicture> decoded = Decode(path, extension, atLeast, done);
    if (done)
        done->Finish(decoded ? &*decoded : nullptr);
    return decoded;
}
