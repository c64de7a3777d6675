#pragma once

#include <QByteArray>
#include <QSize>
#include <optional>

// Whether a picture file that came without a Content-Length arrived whole, judged by its own
// format alone: a JPEG whose segments and scans run up to its end-of-image marker, a GIF whose
// blocks run up to its trailer, a bitmap at least as long as its header says. Anything else, a
// PNG or a torn file among them, is not known to be whole. Bytes after the end are ignored.
bool IsWholePicture(const QByteArray& data);

// The width and height a JPEG, GIF or bitmap file's header gives, read without decoding; none for
// any other file, a header cut short, or a size no picture of the program's may have.
std::optional<QSize> PictureDimensions(const QByteArray& data);
