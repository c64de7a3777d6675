#pragma once

#include "core/Result.h"
#include "core/picture/Picture.h"

#include <QSize>
#include <QString>

class TDecodedRows;

// Decoders for cam pictures. Each returns the picture, or the reason it has none.
// Broken, truncated or absurdly large pictures are refused; nothing here ever aborts the program.

// JPEG through libjpeg. A file that ends before its last scan (a cut-off download) is refused
// rather than shown with a grey lower part.
// With `atLeast` given, libjpeg's own scaling gives the smallest size of 1/2, 1/4 or 1/8 that still
// covers it (a preview need not decode every pixel); the full size limit still applies.
// With `done` given, the rows are handed over to its reader as they are decoded; a failure is told
// to it before the pixels are freed.
TResult<TPicture> DecodeJpeg(const QByteArray& data, QSize atLeast = {}, TDecodedRows* done = nullptr);

// The still picture of a GIF: its first image, placed on the logical screen. Later frames of an
// animation are not read.
TResult<TPicture> DecodeGif(const QByteArray& data);

// Windows bitmaps: 1, 4, 8, 16, 24 and 32 bits, bottom-up and top-down, RLE4 and RLE8, bit fields.
TResult<TPicture> DecodeBmp(const QByteArray& data);

// Loads a picture file by its extension (".jpg", ".jpeg", ".gif", ".bmp", compared without regard
// to case). Any other extension fails, ".png" included: PNG pictures are deliberately not decoded.
// `atLeast` as for DecodeJpeg; other formats are always decoded whole. With `done` given, its reader
// gets the rows as DecodeJpeg hands them over, or the whole picture at the end, and the outcome.
TResult<TPicture> DecodePictureFile(const QString& path, const QString& extension, QSize atLeast = {},
                                    TDecodedRows* done = nullptr);
