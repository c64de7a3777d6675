#pragma once

#include "core/Result.h"

#include <QImage>
#include <QSize>
#include <QString>

// The preview of a downloaded cam picture: decoded by the file's extension (JPEG for ".jpg" and
// ".jpeg", GIF for ".gif", BMP for ".bmp") and stretched to the preview's box. A ".png" file, any
// other extension, and a file that does not decode give the reason instead.
TResult<QImage> LoadPreviewPicture(const QString& fileName, const QSize& box);
