#include "core/pack/ZLIBArchive.h"

#include "core/pack/MemberFileWriter.h"
#include "core/pack/PackInflater.h"
#include "core/pack/WholeMemberInflater.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>
#include <algorithm>
#include <cctype>
#include <optional>

namespace {

constexpr qint64 ChecksumBlockSize = 256 * 1024;
constexpr qsizetype ChunkSize = 4096;
constexpr qsizetype BlockSize = 64 * ChunkSize;

TFailure CorruptFile(int index) {
    return Failure(QStringLiteral("File (%1) is corrupt").arg(index));
}
TFailure NoArchiveOpen() {
    return Failure(QStringLiteral("No archive is currently open"));
}
TFailure UnableToOpen(const QString& fileName) {
    return Failure(QStringLiteral("Unable to open file (%1)").arg(fileName));
}

// A drive ("C:") at the start of a name or directory would make it absolute on Windows.
bool StartsWithDrive(const QByteArray& text) {
    return text.size() >= 2 && text[1] == ':' && std::isalpha(static_cast<unsigned char>(text[0]));
}

// Both separators count: "/" in an entry must not slip a path past these checks on either platform.
QList<QByteArray> DirectoryParts(const QByteArray& directory) {
    QByteArray unified = directory;
    unified.replace(PackFormat::DirectorySeparator, '/');
    return unified.split('/');
}

// An entry may only ever place its file inside the destination: a plain name, and a relative directory
// that never climbs out with "..".
bool EntryStaysInside(const TZLBFileEntry& entry, bool withPath) {
    const QByteArray name = entry.FileName();
    if (name.isEmpty() || name == "." || name == ".." || name.contains('/') ||
        name.contains(PackFormat::DirectorySeparator) || name.contains('\0') || StartsWithDrive(name))
        return false;
    if (!withPath)
        return true;
    const QByteArray directory = entry.RelativeDirectory();
    const QList<QByteArray> parts = DirectoryParts(directory);
    if (directory.contains('\0') || StartsWithDrive(parts.value(0)))
        return false;
    return std::none_of(parts.begin(), parts.end(), [](const QByteArray& part) { return part == ".."; });
}

// The member's bytes must lie before the trailer; a compressed member must at least start there.
bool MemberFits(const TZLBFileEntry& entry, qint64 dataEnd) {
    const qint64 offset = entry.Offset();
    if (entry.Size() < 0 || offset < 0 || offset > dataEnd)
        return false;
    return !entry.Stored() || offset + entry.Size() <= dataEnd;
}

// Runs of separators become one and one separator at the end goes, so that a directory written as
// "\help\\" lands at destination/help.
QString FoldSeparators(const QString& path) {
    QString folded;
    folded.reserve(path.size());
    for (const QChar c : path)
        if (c != '/' || !folded.endsWith('/'))
            folded += c;
    if (folded.size() > 1 && folded.endsWith('/'))
        folded.chop(1);
    return folded;
}

QString TargetDirectory(const QString& destination, const TZLBFileEntry& entry, bool withPath) {
    QString target = destination;
    if (withPath) {
        QByteArray directory = entry.RelativeDirectory();
        directory.replace(PackFormat::DirectorySeparator, '/');
        target += QFile::decodeName(directory);
    }
    return FoldSeparators(target);
}

} // namespace

TZLBArchive::TZLBArchive(QObject* parent)
    : QObject(parent) {}

TZLBArchive::~TZLBArchive() {
    m_destroying = true;
    CloseArchive();
}

TResult<bool> TZLBArchive::OpenArchive(const QString& fileName) {
    CloseArchive();
    if (fileName.isEmpty())
        return false;
    if (!QFileInfo::exists(fileName))
        return Failure(QStringLiteral("Archive file not found"));
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return UnableToOpen(fileName);
    m_archiveName = fileName;
    if (!CheckTrailer(file)) {
        m_archiveName.clear();
        m_trailer = {};
        return Failure(QStringLiteral("The archive file appears to be corrupted"));
    }
    // Whatever goes wrong with the directory, the caller learns only that the list could not be read.
    if (!ReadDirectory(file) || (OnArchiveOpened && !OnArchiveOpened(this))) {
        CloseArchive();
        return Failure(QStringLiteral("Unable to read archive file list"));
    }
    file.close();
    ReportIdle();
    return true;
}

bool TZLBArchive::CheckTrailer(QFile& file) {
    const qint64 dataEnd = file.size() - PackFormat::TrailerSize;
    if (dataEnd < 0)
        return false;
    QByteArray block(ChecksumBlockSize, Qt::Uninitialized);
    quint32 running = PackCRC::Empty;
    for (qint64 position = 0; position < dataEnd;) {
        const qint64 got = file.read(block.data(), std::min(ChecksumBlockSize, dataEnd - position));
        if (got <= 0)
            return false;
        running = PackCRC::Update(running, block.constData(), got);
        position += got;
    }
    return file.read(m_trailer.Bytes.data(), PackFormat::TrailerSize) == PackFormat::TrailerSize &&
           m_trailer.CRC() == running;
}

bool TZLBArchive::ReadDirectory(QFile& file) {
    const qint64 dataEnd = file.size() - PackFormat::TrailerSize;
    const qint32 count = m_trailer.EntryCount();
    if (count < 0 || count > MaxEntries)
        return false;
    const qint64 offset = m_trailer.DirectoryOffset();
    const qint64 length = qint64(count) * PackFormat::EntrySize;
    QByteArray directory(length, Qt::Uninitialized);
    if (count > 0 && (offset < 0 || offset > dataEnd))
        return false;
    if (count > 0 && !m_trailer.DirectoryCompressed()) {
        if (offset + length > dataEnd || !file.seek(offset) || file.read(directory.data(), length) != length)
            return false;
    } else if (count > 0) {
        SetProgress(TProgressState::ReadingDirectory, QStringLiteral("Extracting archive registry"), length);
        TPackInflater inflater(file, offset, dataEnd);
        for (qint64 done = 0; done < length;) {
            const qsizetype chunk = std::min<qint64>(ChunkSize, length - done);
            if (!inflater.Read(directory.data() + done, chunk))
                return false;
            done += chunk;
            ReportProgress(done);
        }
    }
    qint64 claimed = 0;
    for (qint32 i = 0; i < count; ++i) {
        TZLBFileEntry entry;
        std::copy_n(directory.constData() + qint64(i) * PackFormat::EntrySize, PackFormat::EntrySize,
                    entry.Bytes.begin());
        claimed += std::max<qint32>(entry.Size(), 0);
        m_entries.append(entry);
    }
    return claimed <= MaxUnpackedBytes;
}

void TZLBArchive::CloseArchive() {
    m_entries.clear();
    m_trailer = {};
    m_archiveName.clear();
    ReportIdle();
}

TResult<int> TZLBArchive::FileCount() const {
    if (m_archiveName.isEmpty())
        return NoArchiveOpen();
    return int(m_entries.size());
}

TResult<TZLBFileEntry> TZLBArchive::GetFileEntry(int index) const {
    if (index < 0 || index >= m_entries.size())
        return Failure(QStringLiteral("Index out of bounds"));
    return m_entries[index];
}

TResult<> TZLBArchive::ExtractFiles(const QString& destination) {
    if (m_archiveName.isEmpty())
        return NoArchiveOpen();
    QFile file(m_archiveName);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return UnableToOpen(m_archiveName);
    TWholeMemberInflater inflater;
    TMemberFileWriter files;
    for (int i = 0; i < m_entries.size(); ++i)
        if (const TResult<> extracted = ExtractEntry(file, inflater, files, i, destination); !extracted)
            return extracted;
    file.close();
    ReportIdle();
    return {};
}

TResult<> TZLBArchive::ExtractEntry(QFile& file, TWholeMemberInflater& inflater, TMemberFileWriter& files,
                                    int index, const QString& destination) {
    const TZLBFileEntry& entry = m_entries[index];
    if (!EntryStaysInside(entry, ExtractWithPath) ||
        !MemberFits(entry, file.size() - PackFormat::TrailerSize))
        return CorruptFile(index);

    const QString target = TargetDirectory(destination, entry, ExtractWithPath);
    QDir().mkpath(target);
    if (!QFileInfo(target).isDir())
        return Failure(QStringLiteral("Unable to create destination path"));

    const QString fileName = QFile::decodeName(entry.FileName());
    const QString path = target + '/' + fileName;
    if (OnReplaceFile && QFileInfo::exists(path)) {
        bool replace = false;
        OnReplaceFile(path, replace);
        if (!replace)
            return {};
    }

    // Each file is unpacked beside its final name and swapped in once whole: an unpacking cut short
    // (a broken member, a full disk, the program killed) leaves every file either as it was or
    // complete, never half written.
    bool memberSound = true;
    const QString error = files.Write(path, [&](const TMemberFileWriter::TSink& sink) {
        const TResult<quint32> crc = ReadMember(file, inflater, index, CheckCRC, sink);
        memberSound = crc && (!CheckCRC || *crc == entry.CRC());
        return memberSound;
    });
    if (!error.isEmpty() || !memberSound)
        return CorruptFile(index);
    if (OnFileExtracted)
        OnFileExtracted(destination + fileName);
    return {};
}

TResult<> TZLBArchive::VerifyFile(int index) {
    const TResult<TZLBFileEntry> entry = GetFileEntry(index);
    if (!entry)
        return Failure(entry.Error());
    QFile file(m_archiveName);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return UnableToOpen(m_archiveName);
    if (!EntryStaysInside(*entry, true) || !MemberFits(*entry, file.size() - PackFormat::TrailerSize))
        return CorruptFile(index);
    TWholeMemberInflater inflater;
    const TResult<quint32> crc =
        ReadMember(file, inflater, index, true, [](const char*, qsizetype) { return true; });
    if (!crc || *crc != entry->CRC())
        return CorruptFile(index);
    ReportIdle();
    return {};
}

TResult<quint32> TZLBArchive::ReadMember(QFile& file, TWholeMemberInflater& wholeInflater, int index,
                                         bool withCRC,
                                         const std::function<bool(const char*, qsizetype)>& sink) {
    const TZLBFileEntry& entry = m_entries[index];
    const qint64 dataEnd = file.size() - PackFormat::TrailerSize;
    SetProgress(TProgressState::ExtractingFile,
                QStringLiteral("Extracting %1").arg(QFile::decodeName(entry.FileName())), entry.Size());

    const char* whole = entry.Stored() ? nullptr
                                       : wholeInflater.Inflate(file, entry.Offset(), entry.PackedSize(),
                                                               dataEnd, entry.Size());
    std::optional<TPackInflater> inflater;
    if (entry.Stored()) {
        if (!file.seek(entry.Offset()))
            return CorruptFile(index);
    } else if (!whole) {
        // The member's CRC-32, when it is compared, checks the same bytes as the stream's own Adler-32.
        inflater.emplace(file, entry.Offset(), dataEnd,
                         withCRC ? TPackInflater::TStreamCheck::Skipped
                                 : TPackInflater::TStreamCheck::Compared);
    }
    // Progress moves in steps of 4096 bytes; the bytes themselves move in larger blocks, which lets
    // zlib inflate at full speed and the file take them in few writes. Each block is checksummed
    // straight after it was made, while it is still in the processor's cache.
    QByteArray block(whole ? 0 : BlockSize, Qt::Uninitialized);
    quint32 running = PackCRC::Empty;
    for (qint64 done = 0; done < entry.Size();) {
        const qsizetype length = std::min<qint64>(entry.Size() - done, BlockSize);
        const char* const bytes = whole ? whole + done : block.constData();
        const bool read = whole || (inflater ? inflater->Read(block.data(), length)
                                             : file.read(block.data(), length) == length);
        if (!read)
            return CorruptFile(index);
        if (withCRC)
            running = PackCRC::Update(running, bytes, length);
        if (!sink(bytes, length))
            return CorruptFile(index);
        for (const qint64 blockEnd = done + length; done < blockEnd;) {
            done = std::min(done + ChunkSize, blockEnd);
            ReportProgress(done);
        }
    }
    // A stream that would give more than the entry claims is as broken as one that gives less.
    if (inflater && !inflater->AtStreamEnd())
        return CorruptFile(index);
    return running;
}

QString TZLBArchive::TemporaryFileName() const {
    QTemporaryFile file(QDir::tempPath() + QStringLiteral("/ZLBXXXXXX"));
    file.setAutoRemove(false);
    return file.open() ? file.fileName() : QString();
}

void TZLBArchive::ListDirectory(const QString& directory, QStringList& files) const {
    const QFileInfoList entries = QDir(directory).entryInfoList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo& info : entries) {
        if (!info.isDir()) {
            files.append(info.absoluteFilePath());
        } else if (!info.isSymLink()) {
            if (SavePaths)
                files.append(info.absoluteFilePath());
            if (RecursePaths)
                ListDirectory(info.absoluteFilePath(), files);
        }
    }
}

void TZLBArchive::SetProgress(TProgressState state, const QString& message, qint64 total) {
    m_progressState = state;
    m_progressMessage = message;
    m_progressTotal = total;
}

void TZLBArchive::ReportProgress(qint64 position) {
    if (!OnProgress || m_destroying)
        return;
    const int percentage = m_progressTotal > 0 ? qRound(position * 100.0 / m_progressTotal) : 0;
    OnProgress(m_progressMessage, percentage);
}

void TZLBArchive::ReportIdle() {
    SetProgress(TProgressState::Idle, m_archiveName, 0);
    ReportProgress(0);
}
