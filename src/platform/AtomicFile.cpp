#include "platform/AtomicFile.h"

#include <QSaveFile>

QString WriteFileAtomically(const QString& path, const QByteArray& content) {
    return WriteFileAtomically(path,
                               [&content](QIODevice& file) { return file.write(content) == content.size(); });
}

QString WriteFileAtomically(const QString& path, const std::function<bool(QIODevice& file)>& write) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    if (!write(file)) {
        const QString error = file.errorString();
        file.cancelWriting();
        return error;
    }
    if (!file.commit())
        return file.errorString();
    return {};
}
