// A language file from a pack author or a hostile server: every window's block scanned into its
// text table, and the pack version read both from the lines and from the file on disk.
#include "FuzzTarget.h"
#include "core/DisplayText.h"
#include "core/LanguageFile.h"
#include "core/LanguageList.h"

#include <QFile>
#include <limits>

namespace {

// Every block a window of the program reads its texts from.
const QByteArray Blocks[] = {"mainform",      "mainmenu",     "camform", "mform",
                             "attentionform", "downloadform", "global"};

bool Blank(char c) {
    return static_cast<unsigned char>(c) <= 32;
}

void ScanBlock(const RecordText::Lines& lines, const QByteArray& block) {
    // A few keys every window has, and one with an "=" of its own that must never match.
    const QByteArray keys[] = {"caption", "ok_hint", "country", "version", "a=b"};
    int applied = 0;
    TTextTable table;
    for (const QByteArray& key : keys)
        table.Add(key, [&](const QByteArray& text) {
            FUZZ_REQUIRE(key != "a=b");
            ++applied;
            (void)DisplayText(text);
        });
    int expected = 0;
    LanguageFile::ForEachBlockLine(lines, block, [&](const QByteArray& line) {
        // Lines reach the table trimmed.
        FUZZ_REQUIRE(line.isEmpty() || (!Blank(line.front()) && !Blank(line.back())));
        const qsizetype equals = line.indexOf('=');
        for (const QByteArray& key : keys)
            expected += equals > 0 && key == line.left(equals) ? 1 : 0;
        table.SetText(line);
    });
    FUZZ_REQUIRE(applied == expected);
}

const QString& ScratchFile() {
    static const QString path =
        FuzzScratchFolder() + QLatin1Char('/') + QLatin1String(LanguageFile::FileName);
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const RecordText::Lines lines = RecordText::SplitLines(bytes);
    for (const QByteArray& block : Blocks)
        ScanBlock(lines, block);

    const std::optional<qint32> declared = LanguageFile::DeclaredPackVersion(lines);
    const qint32 version = LanguageFile::PackVersionOfLines(lines);
    FUZZ_REQUIRE(version == declared.value_or(0));

    // The installed file reads as the bytes it holds.
    {
        QFile file(ScratchFile());
        FUZZ_REQUIRE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        FUZZ_REQUIRE(file.write(bytes) == bytes.size());
    }
    FUZZ_REQUIRE(LanguageFile::ReadPackVersion(ScratchFile()) == version);

    // A pack is fetched exactly when the server offers a newer one than the file names.
    TWebLanguage offered;
    offered.packversion = version == std::numeric_limits<qint32>::max() ? version : version + 1;
    FUZZ_REQUIRE(LanguageFile::PackDownloadNeeded(FuzzScratchFolder(), &offered) ==
                 (version != std::numeric_limits<qint32>::max()));
    FUZZ_REQUIRE(!LanguageFile::PackDownloadNeeded(FuzzScratchFolder(), nullptr));

    // A pack's file name never names a folder.
    const QByteArray name = LanguageFile::PackFileName(bytes);
    FUZZ_REQUIRE(!name.contains('/') && !name.contains('\\') && !name.contains(':'));
    return 0;
}
