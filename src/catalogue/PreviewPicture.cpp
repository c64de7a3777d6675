#include "catalogue/PreviewPicture.h"

#include "core/picture/PictureDecoders.h"
#include "widgets/PictureImage.h"

#include <QFileInfo>

TResult<QImage> LoadPreviewPicture(const QString& fileName, const QSize& box) {
    const QString extension = QLatin1Char('.') + QFileInfo(fileName).suffix();
    TResult<TPicture> picture = DecodePictureFile(fileName, extension, box);
    if (!picture)
        return Failure(picture.Error());
    if (picture->IsNull() || box.isEmpty())
        return Failure(QStringLiteral("nothing to show"));
    // Scaled once here, so that painting the preview never scales a full-size picture.
    return PictureImage(std::move(*picture)).scaled(box, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}
