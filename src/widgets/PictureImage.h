#pragma once

#include "core/picture/Picture.h"

#include <QImage>

// The picture as a QImage that keeps the decoded bytes alive for as long as the image or any copy
// of it lives, so that scaling it (which gives back the image itself when the size is already
// right), converting it or making a pixmap of it can never read freed memory. A picture with
// transparent pixels comes as ARGB32 with those pixels clear; a null picture as a null image.
QImage PictureImage(TPicture picture);
