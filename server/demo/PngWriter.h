#pragma once

#include "core/picture/Picture.h"

#include <QByteArray>

// An 8-bit RGB PNG of the picture; empty for a null picture. Lumora itself does not show PNG cams:
// the demo catalogue offers one so that this case can be seen.
QByteArray EncodePng(const TPicture& picture);
