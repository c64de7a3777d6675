#include "core/picture/Picture.h"

TPicture MakePicture(int width, int height) {
    TPicture picture;
    if (!PictureSizeAllowed(width, height))
        return picture;
    picture.Width = width;
    picture.Height = height;
    picture.Pixels = QByteArray(TPicture::ByteCount(width, height), '\0');
    return picture;
}
