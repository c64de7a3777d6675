#include "wallpaper/DecodeFailure.h"
#include "wallpaper/PictureDecoders.h"

#include <QFile>

std::optional<TPicture> DecodePictureFile(const QString& path, const QString& extension, QString* error) {
    using TDecoder = std::optional<TPicture> (*)(const QByteArray&, QString*);
    const QString kind = extension.toLower();
    TDecoder decoder = nullptr;
    if (kind == QLatin1String(".jpg") || kind == QLatin1String(".jpeg"))
        decoder = DecodeJpeg;
    else if (kind == QLatin1String(".gif"))
        decoder = DecodeGif;
    else if (kind == QLatin1String(".bmp"))
        decoder = DecodeBmp;
    else
        return DecodeFailure(error, QStringLiteral("no decoder for \"%1\" pictures").arg(extension));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return DecodeFailure(error, file.errorString());
    return decoder(file.readAll(), error);
}
