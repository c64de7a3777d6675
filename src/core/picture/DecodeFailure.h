#pragma once

#include "core/Result.h"

// The refusal for a picture whose size would need an absurd amount of memory.
inline TFailure SizeRefused(qint64 width, qint64 height) {
    return Failure(QStringLiteral("picture size %1 x %2 refused").arg(width).arg(height));
}
