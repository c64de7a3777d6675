#pragma once

#include "core/picture/Picture.h"

#include <QSize>
#include <QString>
#include <optional>

// Decoders for cam pictures. Each returns the picture, or nothing with the reason in *error.
// Broken, truncated or absurdly large pictures are refused; nothing here ever aborts the program.

// JPEG through libjpeg. A file that ends before its last scan (a cut-off download) is refused
// rather than shown with a grey lower part.
// With `atLeast` given, libjpeg's own scaling gives the smallest size of 1/2, 1/4 or 1/8 that still
// covers it (a preview need not decode every pixel); the full size limit still applies.
std::optional<TPicture> DecodeJpeg(const QByteArray& data, QString* error = nullptr, QSize atLeast = {});

// The still picture of a GIF: its first image, placed on the logical screen. Later frames of an
// animation are not read.
std::optional<TPicture> DecodeGif(const QByteArray& data, QString* error = nullptr);

// Windows bitmaps: 1, 4, 8, 16, 24 and 32 bits, bottom-up and top-down, RLE4 and RLE8, bit fields.
std::optional<TPicture> DecodeBmp(const QByteArray& data, QString* error = nullptr);

// Loads a picture file by its extension (".jpg", ".jpeg", ".gif", ".bmp", compared without regard
// to case). Any other extension fails, ".png" included: PNG pictures are deliberately not decoded.
// `atLeast` as for DecodeJpeg; other formats are always decoded whole.
std::optional<TPicture> DecodePictureFile(const QString& path, const QString& extension,
                                          QString* error = nullptr, QSize atLeast = {});
