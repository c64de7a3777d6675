#pragma once

#include "core/Result.h"
#include "core/picture/Picture.h"

#include <QString>

class TDecodedRows;

// Encoders for the program's own pictures: the wallpaper bitmaps, and pictures made by tests,
// benchmarks and the server's demo cams. A null picture gives an empty result.

// A baseline JPEG; quality 1 to 100.
QByteArray EncodeJpeg(const TPicture& picture, int quality = 85);

// A still GIF. A picture with at most 256 colours keeps them exactly; others are reduced to a
// fixed colour cube.
QByteArray EncodeGif(const TPicture& picture);

// A 24-bit Windows bitmap, bottom-up, the form every program reads.
QByteArray EncodeBmp(const TPicture& picture);

// Saves the picture as a 24-bit Windows bitmap, replacing the file as a whole (a failed write
// leaves the previous file intact).
TResult<> WriteBmpFile(const QString& path, const TPicture& picture);

// The same for a picture still being decoded, written as its rows come; fails, leaving the previous
// file intact, when decoding fails.
TResult<> WriteBmpFile(const QString& path, TDecodedRows& rows);
