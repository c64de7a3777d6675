// A language pack from a hostile server: opened, listed, every member tested, then extracted into a
// fresh folder. Whatever the bytes say, nothing may appear outside that folder.
#include "FuzzTarget.h"
#include "core/pack/ZLIBArchive.h"

#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>

namespace {

QStringList EverythingBelow(const QString& folder) {
    QStringList found;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        found << it.next();
    return found;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    QTemporaryDir scratch;
    FUZZ_REQUIRE(scratch.isValid());
    const QString packPath = scratch.filePath(QStringLiteral("pack.pak"));
    const QString destination = scratch.filePath(QStringLiteral("lang/lang5/"));
    {
        QFile pack(packPath);
        FUZZ_REQUIRE(pack.open(QIODevice::WriteOnly));
        pack.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    }
    TZLBArchive archive;
    archive.ExtractWithPath = true;
    archive.CheckCRC = true;
    if (archive.OpenArchive(packPath).ValueOr(false)) {
        for (int i = 0; i < *archive.FileCount(); ++i) {
            (void)archive.GetFileEntry(i);
            (void)archive.VerifyFile(i);
        }
        (void)archive.ExtractFiles(destination);
    }
    archive.CloseArchive();

    for (const QString& path : EverythingBelow(scratch.path())) {
        const bool allowed = path == packPath || path.startsWith(destination) ||
                             destination.startsWith(path + QLatin1Char('/'));
        FUZZ_REQUIRE(allowed);
    }
    return 0;
}
