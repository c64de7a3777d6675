#include "catalogue/PreviewPicture.h"

#include "core/picture/PictureDecoders.h"
#include "widgets/PictureImage.h"

#include <QFileInfo>

std::optional<QImage> LoadPreviewPicture(const QString& fileName, const QSize& box, QString* error) {
    const QString extension = QLatin1Char('.') + QFileInfo(fileName).suffix();
    std::optional<TPicture> picture = DecodePictureFile(fileName, extension, error, box);
    if (!picture)
        return std::nullopt;
    if (picture->IsNull() || box.isEmpty()) {
        if (error)
            *error = QStringLiteral("nothing to show");
        return std::nullopt;
    }
    // Scaled once here, so that painting the preview never scales a full-size picture.
    return PictureImage(std::move(*picture)).scaled(box, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}
