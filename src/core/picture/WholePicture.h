#pragma once

#include <QByteArray>

// Whether a picture file that came without a Content-Length arrived whole, judged by its own
// format alone: a JPEG whose segments and scans run up to its end-of-image marker, a GIF whose
// blocks run up to its trailer, a bitmap at least as long as its header says. Anything else, a
// PNG or a torn file among them, is not known to be whole. Bytes after the end are ignored.
bool IsWholePicture(const QByteArray& data);
