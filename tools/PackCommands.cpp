#include "PackCommands.h"

#include "CommandArguments.h"
#include "core/pack/PackWriter.h"
#include "core/pack/ZLIBArchive.h"

#include <QFileInfo>

namespace {

// The download window counts a pack of 20000 bytes or less as a failed transfer.
constexpr qint64 LargestFailedDownload = 20000;

const QString CreateUsage = QStringLiteral(
    "Usage: lumora-pack create [--stored] [--plain-directory] PACK.pak DIR\n"
    "\n"
    "Writes an archive of the language directory DIR: every file below it, with its directory\n"
    "relative to DIR. Members are compressed (a member that would not shrink is stored) and the\n"
    "directory of entries is compressed, unless told otherwise. An existing PACK.pak is replaced\n"
    "only once the new one is complete.\n"
    "\n"
    "Options:\n"
    "  --stored           store every member as it is\n"
    "  --plain-directory  write the directory of entries uncompressed\n"
    "  -h, --help         show this text\n");

const QString ListUsage = QStringLiteral(
    "Usage: lumora-pack list PACK.pak\n"
    "\n"
    "Prints every entry of the archive in the order Lumora extracts them: size, whether the member is\n"
    "stored or compressed, its CRC-32, its directory and its file name.\n"
    "\n"
    "Options:\n"
    "  -h, --help  show this text\n");

const QString TestUsage = QStringLiteral(
    "Usage: lumora-pack test PACK.pak\n"
    "\n"
    "Checks the archive's trailer and reads every member through, comparing it with its entry's size\n"
    "and CRC-32. Nothing is written. Exits with 1 when anything is wrong.\n"
    "\n"
    "Options:\n"
    "  -h, --help  show this text\n");

const QString ExtractUsage = QStringLiteral(
    "Usage: lumora-pack extract [--check-crc] PACK.pak DIR\n"
    "\n"
    "Unpacks the archive into DIR as Lumora does: each file goes to its entry's directory below DIR,\n"
    "missing directories are created and existing files are overwritten.\n"
    "\n"
    "Options:\n"
    "  --check-crc  also compare every extracted file with its entry's CRC-32\n"
    "  -h, --help   show this text\n");

int Failed(const QString& message) {
    PrintError(QStringLiteral("lumora-pack: %1\n").arg(message));
    return 1;
}

// The exit code when the command should stop here (help shown, arguments wrong), else -1.
int CheckArguments(const TCommandArguments& arguments, const QString& usage, qsizetype operandCount) {
    if (arguments.WantsHelp()) {
        PrintOut(usage);
        return 0;
    }
    const QString problem = arguments.Problem(operandCount);
    if (problem.isEmpty())
        return -1;
    PrintError(QStringLiteral("lumora-pack: %1\n\n%2").arg(problem, usage));
    return 2;
}

// Opens the archive; on failure the reason, naming the file.
TResult<> Open(TZLBArchive& archive, const QString& packPath) {
    const TResult<bool> opened = archive.OpenArchive(packPath);
    if (!opened.Ok())
        return Failure(QStringLiteral("%1: %2").arg(packPath, opened.Error()));
    // An empty name opens nothing, which is no reason of the archive's own.
    if (!*opened)
        return Failure(QStringLiteral("no pack file named"));
    return {};
}

QString EntryPath(const TZLBFileEntry& entry) {
    QByteArray directory = entry.RelativeDirectory();
    while (directory.endsWith(PackFormat::DirectorySeparator))
        directory.chop(1);
    return QString::fromLocal8Bit(directory.isEmpty()
                                      ? entry.FileName()
                                      : directory + PackFormat::DirectorySeparator + entry.FileName());
}

} // namespace

namespace PackCommands {

int Create(const QStringList& rawArguments) {
    const TCommandArguments arguments(rawArguments, {"--stored", "--plain-directory"});
    if (const int exit = CheckArguments(arguments, CreateUsage, 2); exit >= 0)
        return exit;
    const QString packPath = arguments.Operands()[0];
    TPackWriteOptions options;
    options.CompressMembers = !arguments.Has("--stored");
    options.CompressDirectory = !arguments.Has("--plain-directory");
    if (const TResult<> written = WritePack(packPath, arguments.Operands()[1], options); !written)
        return Failed(written.Error());

    // Reading the new pack back proves it opens the way the program will open it.
    TZLBArchive archive;
    if (const TResult<> opened = Open(archive, packPath); !opened)
        return Failed(opened.Error());
    const qint64 size = QFileInfo(packPath).size();
    PrintOut(
        QStringLiteral("Wrote %1: %2 files, %3 bytes\n").arg(packPath).arg(*archive.FileCount()).arg(size));
    if (size <= LargestFailedDownload)
        PrintError(QStringLiteral("lumora-pack: warning: Lumora takes a downloaded pack of %1 bytes or less "
                                  "for a failed download and will not install this one\n")
                       .arg(LargestFailedDownload));
    return 0;
}

int List(const QStringList& rawArguments) {
    const TCommandArguments arguments(rawArguments, {});
    if (const int exit = CheckArguments(arguments, ListUsage, 1); exit >= 0)
        return exit;
    TZLBArchive archive;
    if (const TResult<> opened = Open(archive, arguments.Operands()[0]); !opened)
        return Failed(opened.Error());

    qsizetype directoryWidth = QStringLiteral("Directory").size();
    for (int i = 0; i < *archive.FileCount(); ++i)
        directoryWidth = std::max(
            directoryWidth, QString::fromLocal8Bit(archive.GetFileEntry(i)->RelativeDirectory()).size());
    const auto row = [directoryWidth](const QString& size, const QString& method, const QString& crc,
                                      const QString& directory, const QString& name) {
        return QStringLiteral("%1  %2  %3  %4  %5\n")
            .arg(size, 10)
            .arg(method, -10)
            .arg(crc, -8)
            .arg(directory, -int(directoryWidth))
            .arg(name);
    };
    QString text = row("Size", "Method", "CRC-32", "Directory", "Name");
    qint64 total = 0;
    for (int i = 0; i < *archive.FileCount(); ++i) {
        const TZLBFileEntry entry = *archive.GetFileEntry(i);
        total += entry.Size();
        text +=
            row(QString::number(entry.Size()), entry.Stored() ? "stored" : "compressed",
                QStringLiteral("%1").arg(entry.CRC(), 8, 16, QLatin1Char('0')),
                QString::fromLocal8Bit(entry.RelativeDirectory()), QString::fromLocal8Bit(entry.FileName()));
    }
    text += QStringLiteral("%1 files, %2 bytes; directory %3\n")
                .arg(*archive.FileCount())
                .arg(total)
                .arg(archive.Trailer().DirectoryCompressed() ? "compressed" : "plain");
    PrintOut(text);
    return 0;
}

int Test(const QStringList& rawArguments) {
    const TCommandArguments arguments(rawArguments, {});
    if (const int exit = CheckArguments(arguments, TestUsage, 1); exit >= 0)
        return exit;
    const QString packPath = arguments.Operands()[0];
    TZLBArchive archive;
    if (const TResult<> opened = Open(archive, packPath); !opened)
        return Failed(opened.Error());
    int corrupt = 0;
    for (int i = 0; i < *archive.FileCount(); ++i) {
        if (const TResult<> verified = archive.VerifyFile(i); !verified) {
            ++corrupt;
            PrintError(QStringLiteral("lumora-pack: %1: %2: %3\n")
                           .arg(packPath, EntryPath(*archive.GetFileEntry(i)), verified.Error()));
        }
    }
    if (corrupt > 0)
        return Failed(QStringLiteral("%1: %2 of %3 files are corrupt")
                          .arg(packPath)
                          .arg(corrupt)
                          .arg(*archive.FileCount()));
    PrintOut(QStringLiteral("%1: trailer and %2 files are sound\n").arg(packPath).arg(*archive.FileCount()));
    return 0;
}

int Extract(const QStringList& rawArguments) {
    const TCommandArguments arguments(rawArguments, {"--check-crc"});
    if (const int exit = CheckArguments(arguments, ExtractUsage, 2); exit >= 0)
        return exit;
    const QString packPath = arguments.Operands()[0];
    TZLBArchive archive;
    // The same settings as the program's pack download window.
    archive.ExtractWithPath = true;
    archive.SavePaths = true;
    archive.RecursePaths = true;
    archive.CheckCRC = arguments.Has("--check-crc");
    if (const TResult<> opened = Open(archive, packPath); !opened)
        return Failed(opened.Error());
    QString destination = arguments.Operands()[1];
    if (!destination.endsWith('/'))
        destination += '/';
    if (const TResult<> extracted = archive.ExtractFiles(destination); !extracted)
        return Failed(QStringLiteral("%1: %2").arg(packPath, extracted.Error()));
    PrintOut(QStringLiteral("Extracted %1 files into %2\n")
                 .arg(*archive.FileCount())
                 .arg(arguments.Operands()[1]));
    return 0;
}

} // namespace PackCommands
