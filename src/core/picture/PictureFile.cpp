#include "core/picture/PictureDecoders.h"

#include <QFile>

TResult<TPicture> DecodePictureFile(const QString& path, const QString& extension, QSize atLeast) {
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
        return DecodeJpeg(data, atLeast);
    return gif ? DecodeGif(data) : DecodeBmp(data);
}
