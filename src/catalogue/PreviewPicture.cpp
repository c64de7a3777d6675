#include "catalogue/PreviewPicture.h"

#include "wallpaper/PictureDecoders.h"

#include <QFileInfo>

std::optional<QImage> LoadPreviewPicture(const QString& fileName, const QSize& box, QString* error) {
    const QString extension = QLatin1Char('.') + QFileInfo(fileName).suffix();
    const std::optional<TPicture> picture = DecodePictureFile(fileName, extension, error, box);
    if (!picture)
        return std::nullopt;
    if (picture->IsNull() || box.isEmpty()) {
        if (error)
            *error = QStringLiteral("nothing to show");
        return std::nullopt;
    }
    // The decoded rows are blue, green, red without padding: Qt reads them in place.
    const QImage decoded(reinterpret_cast<const uchar*>(picture->Pixels.constData()), picture->Width,
                         picture->Height, picture->RowBytes(), QImage::Format_BGR888);
    // Scaled once here, so that painting the preview never scales a full-size picture.
    return decoded.scaled(box, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}
