#pragma once

#include <QByteArray>
#include <QString>

// Replaces a file's content as a whole: the bytes go to a temporary file beside it, which is renamed
// over the old file only once everything was written. A failed write leaves the previous file whole.
// Returns an empty text on success, otherwise what went wrong.
QString WriteFileAtomically(const QString& path, const QByteArray& content);
