#pragma once

#include <QByteArray>
#include <QString>
#include <functional>

class QIODevice;

// Replaces a file's content as a whole: the bytes go to a temporary file beside it, which is renamed
// over the old file only once everything was written. A failed write leaves the previous file whole.
// Returns an empty text on success, otherwise what went wrong.
QString WriteFileAtomically(const QString& path, const QByteArray& content);

// Whether the content must be on the disk before the file is replaced, or may stay in the system's
// cache for a while. Either way a reader sees the old file or the new one, never part of one; only
// a power cut soon after the write may lose a file that is not kept on the disk.
enum class TFileDurability { OnDisk, Cached };

// The same for content written piece by piece into the temporary file, so that large files need no
// second copy in memory. `write` returns false when it could not write everything.
QString WriteFileAtomically(const QString& path, const std::function<bool(QIODevice& file)>& write,
                            TFileDurability durability = TFileDurability::OnDisk);
