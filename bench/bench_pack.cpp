// Unpacking a 20 MB language pack of mixed members (help pages, skin bitmaps, pictures that do not
// compress) with TZLBArchive, the way the download window does (open, check the trailer, extract with
// paths), against raw zlib inflate of the same member streams from memory into memory.
#include "core/pack/PackWriter.h"
#include "core/pack/ZLIBArchive.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <zlib.h>

namespace {

constexpr qint64 PackBytes = 20 * 1024 * 1024;
constexpr int Rounds = 25;

// Text of words drawn from a small vocabulary: it deflates about as well as real help pages do.
QByteArray HelpPage(quint32 seed, int size) {
    static const char* const words[] = {
        "the",     "cam",      "picture",  "wallpaper", "refresh", "seconds",   "choose",   "tree",
        "preview", "apply",    "language", "pack",      "server",  "catalogue", "custom",   "desktop",
        "country", "category", "minutes",  "Lumora",    "window",  "button",    "settings", "help",
        "page",    "download", "message",  "a",         "of",      "to",        "and",      "when",
        "is",      "in",       "your",     "from"};
    QByteArray page = "<html><head><title>Lumora manual</title></head><body>\r\n<p>";
    while (page.size() < size) {
        seed = seed * 1664525u + 1013904223u;
        page += words[(seed >> 16) % std::size(words)];
        page += (seed >> 8) % 11 == 0 ? ".</p>\r\n<p>" : " ";
        if ((seed >> 4) % 17 == 0)
            page += QByteArray::number((seed >> 20) % 1000);
    }
    page.truncate(size);
    return page;
}

QByteArray SkinBitmap(int seed, int size) {
    QByteArray bitmap(size, '\0');
    for (int i = 0; i < size; ++i)
        bitmap[i] = static_cast<char>((i / 3 % 640) * (seed + 1) / 7 + (i / 1920) % 5);
    return bitmap;
}

QByteArray Picture(quint32 seed, int size) {
    QByteArray picture(size, '\0');
    for (int i = 0; i < size; ++i) {
        seed = seed * 1664525u + 1013904223u;
        picture[i] = static_cast<char>(seed >> 24);
    }
    return picture;
}

// Writes the language directory: about 55% help pages, 30% bitmaps, 15% pictures.
void WriteLanguage(const QString& root) {
    qint64 written = 0;
    for (int i = 0; written < PackBytes; ++i) {
        QString path;
        QByteArray content;
        switch (i % 7) {
        case 0:
        case 2:
        case 4:
        case 6:
            path = QStringLiteral("help/page%1.html").arg(i);
            content = HelpPage(i, 400000 + i * 1000);
            break;
        case 1:
        case 5:
            path = QStringLiteral("skins/form%1/back.bmp").arg(i);
            content = SkinBitmap(i, 480000);
            break;
        default:
            path = QStringLiteral("help/pictures/shot%1.gif").arg(i);
            content = Picture(i, 420000);
        }
        QDir().mkpath(QFileInfo(root + "/" + path).absolutePath());
        QFile file(root + "/" + path);
        file.open(QIODevice::WriteOnly);
        file.write(content);
        written += content.size();
    }
}

// Inflates or copies every member stream of the pack into one output buffer, and when a folder is
// given writes each member there as a plain file of its own.
void RawInflate(const QByteArray& pack, const QList<TZLBFileEntry>& entries, QByteArray& out,
                const QString& folder = QString()) {
    int number = 0;
    for (const TZLBFileEntry& entry : entries) {
        if (entry.Stored()) {
            std::memcpy(out.data(), pack.constData() + entry.Offset(), entry.Size());
        } else {
            z_stream stream{};
            inflateInit(&stream);
            stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(pack.constData() + entry.Offset()));
            stream.avail_in = static_cast<uInt>(entry.PackedSize());
            stream.next_out = reinterpret_cast<Bytef*>(out.data());
            stream.avail_out = static_cast<uInt>(entry.Size());
            if (inflate(&stream, Z_FINISH) != Z_STREAM_END)
                std::fprintf(stderr, "raw inflate failed\n");
            inflateEnd(&stream);
        }
        if (folder.isEmpty())
            continue;
        QFile file(QStringLiteral("%1/%2").arg(folder).arg(++number));
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered) ||
            file.write(out.constData(), entry.Size()) != entry.Size())
            std::fprintf(stderr, "raw write failed\n");
    }
}

// Processor time of this process, kernel time included: the writes count, the other programs that
// share the machine do not.
double CpuMilliseconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

template <typename Work> double Milliseconds(Work work) {
    const double start = CpuMilliseconds();
    work();
    return CpuMilliseconds() - start;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    QTemporaryDir scratch;
    const QString language = scratch.filePath("lang9");
    const QString packPath = scratch.filePath("pack.pak");
    WriteLanguage(language);
    if (const TResult<> written = WritePack(packPath, language); !written) {
        std::fprintf(stderr, "cannot write the pack: %s\n", qPrintable(written.Error()));
        return 1;
    }

    TZLBArchive archive;
    if (!archive.OpenArchive(packPath).ValueOr(false))
        return 1;
    QList<TZLBFileEntry> entries;
    qint64 unpacked = 0;
    qint64 largest = 0;
    int stored = 0;
    for (int i = 0; i < *archive.FileCount(); ++i) {
        entries.append(*archive.GetFileEntry(i));
        unpacked += entries.last().Size();
        largest = std::max<qint64>(largest, entries.last().Size());
        stored += entries.last().Stored() ? 1 : 0;
    }
    QFile packFile(packPath);
    packFile.open(QIODevice::ReadOnly);
    const QByteArray pack = packFile.readAll();

    QByteArray out(largest, '\0');
    const QString destination = scratch.filePath("installed/");
    TZLBArchive installer;
    installer.ExtractWithPath = true;
    installer.SavePaths = true;
    installer.RecursePaths = true;
    installer.CheckCRC = true;

    // Rounds alternate between the two, and each keeps its best, so that a busy moment of the machine
    // does not favour either.
    const QString rawFolder = scratch.filePath("raw");
    QDir().mkpath(rawFolder);
    double rawMs = 1e300;
    double rawWriteMs = 1e300;
    double oursMs = 1e300;
    double openMs = 1e300;
    for (int round = 0; round < Rounds; ++round) {
        rawMs = std::min(rawMs, Milliseconds([&] { RawInflate(pack, entries, out); }));
        rawWriteMs = std::min(rawWriteMs, Milliseconds([&] { RawInflate(pack, entries, out, rawFolder); }));
        oursMs = std::min(oursMs, Milliseconds([&] {
                              (void)installer.OpenArchive(packPath);
                              (void)installer.ExtractFiles(destination);
                              installer.CloseArchive();
                          }));
        openMs = std::min(openMs, Milliseconds([&] {
                              (void)installer.OpenArchive(packPath);
                              installer.CloseArchive();
                          }));
    }

    const double megabytes = unpacked / (1024.0 * 1024.0);
    std::printf("pack: %lld bytes, %d members (%d stored), %.1f MB unpacked\n",
                static_cast<long long>(pack.size()), int(entries.size()), stored, megabytes);
    std::printf("processor time, best of %d alternating rounds\n", Rounds);
    std::printf("raw zlib inflate of the member streams, memory to memory: %.1f ms, %.0f MB/s\n", rawMs,
                megabytes / rawMs * 1000);
    std::printf("raw zlib inflate, each member then written to a file (reference): %.1f ms, %.0f MB/s\n",
                rawWriteMs, megabytes / rawWriteMs * 1000);
    std::printf("open + extract to disk: %.1f ms, %.0f MB/s\n", oursMs, megabytes / oursMs * 1000);
    std::printf("  of which open (trailer CRC-32, directory): %.1f ms\n", openMs);
    std::printf("against inflate alone, without writing any file: %.2f\n", rawMs / oursMs);
    std::printf("pack ratio=%.2f goal=1.0\n", rawWriteMs / oursMs);
    return 0;
}
