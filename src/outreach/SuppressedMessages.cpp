#include "outreach/SuppressedMessages.h"

#include "core/AtomicFile.h"
#include "core/RecordText.h"

#include <QFile>

namespace SuppressedMessages {

std::optional<QList<QByteArray>> Read(const QString& path) {
    QFile file(path);
    if (!file.exists())
        return QList<QByteArray>();
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray text = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return std::nullopt;
    return RecordText::SplitLines(text);
}

bool Lists(const QList<QByteArray>& lines, qint32 refid) {
    const QByteArray decimal = QByteArray::number(refid);
    for (const QByteArray& line : lines) {
        if (line.compare(decimal, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

TResult<> Suppress(const QString& path, qint32 refid) {
    std::optional<QList<QByteArray>> lines = Read(path);
    // Rewriting a file that could not be read would lose the refids it holds.
    if (!lines)
        return Failure(QStringLiteral("cannot read %1").arg(path));
    if (!Lists(*lines, refid))
        lines->append(QByteArray::number(refid));
    if (const QString error = WriteFileAtomically(path, RecordText::JoinLines(*lines)); !error.isEmpty())
        return Failure(error);
    return {};
}

} // namespace SuppressedMessages

TMessageChoice ApplyMessageChoice(const QString& suppressedPath, qint32 refid, bool neverThisOne,
                                  bool neverAny) {
    TMessageChoice choice;
    if (neverThisOne)
        choice.Suppressed = SuppressedMessages::Suppress(suppressedPath, refid);
    choice.ShowMessages = !neverAny;
    return choice;
}
