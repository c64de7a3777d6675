#pragma once

#include <QByteArray>
#include <QString>
#include <functional>
#include <set>

// Puts the unpacked members of a pack in place, each file either as it was or complete, never half
// written: every file is written beside its final name, put on the disk, and then swapped in whole.
//
// Unpacking a pack again over an installed language replaces every file. A replaced file's storage is
// taken for the next member written in the same folder instead of being freed while a new file is
// made: a file system pays for every file made and freed, and some pay dearly for files freed a moment
// ago. Only a plain file of ours with no other name, no extended attributes and no one else holding it
// open is taken, so no other name and no reader ever sees it change; anything else (links, folders,
// files of another owner, files in use) is replaced the ordinary way.
class TMemberFileWriter {
public:
    TMemberFileWriter() = default;
    // Removes the spare file, holding a replaced file's old bytes, that may be left.
    ~TMemberFileWriter();
    TMemberFileWriter(const TMemberFileWriter&) = delete;
    TMemberFileWriter& operator=(const TMemberFileWriter&) = delete;

    // Hands `write` a sink for the new content, then puts the file at `path`. `write` returns false
    // when it could not produce the content; the file at `path` is left as it was. `write` is called a
    // second time, from the start, when the content could not be moved to another file system. Returns
    // an empty text on success, otherwise what went wrong.
    using TSink = std::function<bool(const char* data, qsizetype length)>;
    QString Write(const QString& path, const std::function<bool(const TSink& sink)>& write);

private:
    static constexpr char SparePrefix[] = ".lumora-unpack-";
    void RemoveLeftoverSpares(const QByteArray& folder);
    // The spare at hand, to be written from its start, or else a new file in `folder`.
    int SpareFor(const QByteArray& folder);
    // Keeps the file now at the spare name for the next member, or lets it go.
    void KeepReplaced();
    void DropSpare();

    std::set<QByteArray> m_tidiedFolders;
    QByteArray m_spareName;
    int m_spare = -1;
    qint64 m_spareSize = 0;
    // The permissions a new file gets here (the process's file mode mask applied), from the first one made.
    int m_newFileMode = -1;
};
