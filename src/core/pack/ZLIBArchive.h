#pragma once

#include "core/Result.h"
#include "core/pack/PackFormat.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>

class QFile;
class TMemberFileWriter;
class TWholeMemberInflater;
class TZLBArchive;

// Only archive creation uses the level; reading ignores it.
enum TFileCompressionLevel { fcNone, fcFastest, fcDefault, fcMaximum };

using TReplaceFileEvent = std::function<void(const QString& FileName, bool& Replace)>;
using TFileExtractedEvent = std::function<void(const QString& FileName)>;
using TArchiveEvent = std::function<TResult<>(TZLBArchive* Sender)>;
using TErrorLogEvent = std::function<void(const QString& Msg)>;
using TProgressEvent = std::function<void(const QString& Msg, int Percentage)>;

// Reads language pack archives and unpacks them. Every failure is returned with a message that says
// what went wrong. The component holds the trailer and the directory of
// the open archive but no file handle: the archive file is opened only inside OpenArchive and
// ExtractFiles, so it may be deleted as soon as CloseArchive has run.
class TZLBArchive : public QObject {
public:
    // No language pack comes near these: a directory or members claiming more are refused as broken
    // before anything is unpacked, so that a hostile pack cannot fill the disk.
    static constexpr qint32 MaxEntries = 65536;
    static constexpr qint64 MaxUnpackedBytes = qint64(512) * 1024 * 1024;
    // The largest pack file the program accepts, and so the most a pack download may write: members
    // are never stored larger than they unpack, plus a full directory and the trailer.
    static constexpr qint64 MaxPackFileBytes =
        MaxUnpackedBytes + qint64(MaxEntries) * PackFormat::EntrySize + PackFormat::TrailerSize;

    explicit TZLBArchive(QObject* parent = nullptr);
    ~TZLBArchive() override;

    TFileCompressionLevel CompressionLevel = fcDefault;
    // Append each entry's relative directory to the destination.
    bool ExtractWithPath = false;
    // Compare each extracted file with its entry's CRC-32.
    bool CheckCRC = false;
    // Used by ListDirectory only.
    bool SavePaths = false;
    bool RecursePaths = false;

    // Asked before an existing file is overwritten; Replace starts false. Unassigned: overwrite.
    TReplaceFileEvent OnReplaceFile;
    // Told the destination followed by the entry's file name after each file.
    TFileExtractedEvent OnFileExtracted;
    // Told once the directory has been read; a failure from it fails the opening.
    TArchiveEvent OnArchiveOpened;
    // Never fired when reading; kept for the tools that create archives.
    std::function<void()> OnStreamExtracted;
    TErrorLogEvent OnErrorLogged;
    TProgressEvent OnProgress;

    // Closes any open archive, then reads the trailer and the directory of fileName. False for an
    // empty name, true once open; a failure leaves no archive open.
    [[nodiscard]] TResult<bool> OpenArchive(const QString& fileName);
    // Forgets the entries and the trailer.
    void CloseArchive();
    // Fails when no archive is open.
    [[nodiscard]] TResult<int> FileCount() const;
    [[nodiscard]] TResult<TZLBFileEntry> GetFileEntry(int index) const;
    // Unpacks every entry, in directory order, below destination; stops at the first that fails.
    [[nodiscard]] TResult<> ExtractFiles(const QString& destination);
    // Reads one member through to its end and compares its CRC-32, writing nothing. For pack tools.
    [[nodiscard]] TResult<> VerifyFile(int index);

    // Empty when no archive is open.
    QString ArchiveName() const { return m_archiveName; }
    const TZLBTrailer& Trailer() const { return m_trailer; }

    // Serving archive creation: a new unique file in the system's temporary directory, named "ZLB"...
    virtual QString TemporaryFileName() const;
    // Adds the full path of every file of directory to files, hidden ones included, in name order;
    // descends into subdirectories when RecursePaths is set and adds each subdirectory's own path when
    // SavePaths is set. Links to directories are not followed, so a loop of links cannot trap it.
    virtual void ListDirectory(const QString& directory, QStringList& files) const;

private:
    enum class TProgressState { Idle, ReadingDirectory, ExtractingFile };

    // Reads the trailer; false when the file's checksum does not match it.
    bool CheckTrailer(QFile& file);
    // Reads the entries; false when the directory is broken or claims more than any pack needs.
    bool ReadDirectory(QFile& file);
    TResult<> ExtractEntry(QFile& file, TWholeMemberInflater& inflater, TMemberFileWriter& files, int index,
                           const QString& destination);
    // Hands every byte of a member to sink in blocks of at most 256 KiB; returns its CRC-32 when
    // withCRC is set.
    TResult<quint32> ReadMember(QFile& file, TWholeMemberInflater& inflater, int index, bool withCRC,
                                const std::function<bool(const char*, qsizetype)>& sink);
    void SetProgress(TProgressState state, const QString& message, qint64 total);
    void ReportProgress(qint64 position);
    void ReportIdle();

    QString m_archiveName;
    TZLBTrailer m_trailer;
    QList<TZLBFileEntry> m_entries;
    TProgressState m_progressState = TProgressState::Idle;
    QString m_progressMessage;
    qint64 m_progressTotal = 0;
    bool m_destroying = false;
};
