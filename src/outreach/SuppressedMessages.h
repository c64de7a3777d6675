#pragma once

#include "core/Result.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

// The messages the user asked never to see again: `messages.cam` in the data directory, one refid in
// decimal per line, lines ended by CR LF, in the order they were added. A line lists a refid when,
// taken whole and untrimmed, it equals the refid's decimal form without regard to case.
namespace SuppressedMessages {

// The file's lines; none for a missing file; nothing when the file exists but cannot be read.
std::optional<QList<QByteArray>> Read(const QString& path);

bool Lists(const QList<QByteArray>& lines, qint32 refid);

// Adds the refid unless it is listed, and writes the whole list back (also when nothing was added),
// replacing the file in one step. Fails when the file could not be read or written; a file that cannot
// be read is left alone.
TResult<> Suppress(const QString& path, qint32 refid);

} // namespace SuppressedMessages

// What OK in the messages window leads to, with its two check boxes.
struct TMessageChoice {
    // The "show messages" setting the user chose.
    bool ShowMessages = true;
    // Whether messages.cam was updated, or did not need to be; otherwise why not.
    TResult<> Suppressed;
};
TMessageChoice ApplyMessageChoice(const QString& suppressedPath, qint32 refid, bool neverThisOne,
                                  bool neverAny);
