#include "widgets/PictureImage.h"

namespace {

void ReleasePixels(void* pixels) {
    delete static_cast<QByteArray*>(pixels);
}

QImage WithOpacity(const TPicture& picture) {
    QImage image(picture.Width, picture.Height, QImage::Format_ARGB32);
    if (image.isNull())
        return image;
    const uchar* opacity = reinterpret_cast<const uchar*>(picture.Opacity.constData());
    for (int y = 0; y < picture.Height; ++y) {
        const uchar* in = reinterpret_cast<const uchar*>(picture.Row(y));
        auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < picture.Width; ++x, in += 3, ++opacity)
            out[x] = *opacity ? qRgb(in[2], in[1], in[0]) : qRgba(0, 0, 0, 0);
    }
    return image;
}

} // namespace

QImage PictureImage(TPicture picture) {
    if (picture.IsNull())
        return {};
    if (picture.HasOpacity())
        return WithOpacity(picture);
    // The rows are blue, green, red without padding: Qt reads them in place, and frees them with
    // the last image that shares them.
    auto* pixels = new QByteArray(std::move(picture.Pixels));
    return QImage(reinterpret_cast<const uchar*>(pixels->constData()), picture.Width, picture.Height,
                  picture.RowBytes(), QImage::Format_BGR888, ReleasePixels, pixels);
}
