#include "core/picture/DecodeFailure.h"
#include "core/picture/PictureDecoders.h"

#include <QFile>

std::optional<TPicture> DecodePictureFile(const QString& path, const QString& extension, QString* error,
                                          QSize atLeast) {
    const QString kind = extension.toLower();
    const bool jpeg = kind == QLatin1String(".jpg") || kind == QLatin1String(".jpeg");
    const bool gif = kind == QLatin1String(".gif");
    if (!jpeg && !gif && kind != QLatin1String(".bmp"))
        return DecodeFailure(error, QStringLiteral("no decoder for \"%1\" pictures").arg(extension));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return DecodeFailure(error, file.errorString());
    const QByteArray data = file.readAll();
    if (jpeg)
        return DecodeJpeg(data, error, atLeast);
    return gif ? DecodeGif(data, error) : DecodeBmp(data, error);
}
