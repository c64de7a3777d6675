#pragma once

#include "core/picture/Picture.h"

#include <QString>
#include <optional>

// Ends a decoder: stores why the picture was refused and gives the empty result.
inline std::optional<TPicture> DecodeFailure(QString* error, const QString& reason) {
    if (error)
        *error = reason;
    return std::nullopt;
}

// The refusal for a picture whose size would need an absurd amount of memory.
inline std::optional<TPicture> SizeRefused(QString* error, qint64 width, qint64 height) {
    return DecodeFailure(error, QStringLiteral("picture size %1 x %2 refused").arg(width).arg(height));
}
