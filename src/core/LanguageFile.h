#pragma once

#include "core/RecordText.h"

#include <QByteArray>
#include <QString>
#include <functional>
#include <optional>

class TWebLanguage;

// The language file "properties.cam" of a language directory: one block per window of key lines
// ("key=text"), and a block "object=global" whose "version=" line names the pack's version.
namespace LanguageFile {

inline constexpr char FileName[] = "properties.cam";

// The language file to read: the data directory's language directory first, the program directory's
// second; empty when neither holds one.
QString FindLanguageFile(const QString& dataLanguageDir, const QString& programLanguageDir);

// The file's lines; nothing when it cannot be read.
std::optional<RecordText::Lines> ReadLines(const QString& path);

// Hands every line of every block of that name, trimmed, to `setText`, in file order. The last line
// never opens a block and a block without its "end" runs to the end of the file.
void ForEachBlockLine(const RecordText::Lines& lines, const QByteArray& block,
                      const std::function<void(const QByteArray& line)>& setText);

// The version the global block names: within one block the first "version" line counts, and the
// last block that has one wins. 0 when no block names one, or when it is not a decimal number, so
// that a damaged language file is repaired by the next pack of any version.
qint32 PackVersionOfLines(const RecordText::Lines& lines);
// The same, but none when no global block has a "version" line or the deciding one is not a
// number: pack tools must tell a language file that names no version from one that names 0.
std::optional<qint32> DeclaredPackVersion(const RecordText::Lines& lines);
qint32 ReadPackVersion(const QString& path);

// Whether the pack the server offers must be downloaded into the language directory: its language
// file is missing, or the server's version is strictly greater than the installed one. A language
// the server does not offer is never downloaded, nor is a version that was refused before, nor one
// that ships with the program (in `shippedDir`) in the offered version or a newer one.
bool PackDownloadNeeded(const QString& languageDir, const TWebLanguage* offered,
                        const QString& shippedDir = QString());

// A pack that came whole but was refused (it is no pack, or a member failed its check) is not fetched
// again at every start and every language switch: its version is kept in the language directory
// until the server offers another one. Forget clears it once a pack was installed.
inline constexpr char RefusedPackFileName[] = "pack.refused";
void RememberRefusedPack(const QString& languageDir, qint32 version);
void ForgetRefusedPack(const QString& languageDir);

// The file name part of a pack's address ("http://host/packs/de.pak" gives "de.pak"): the text after
// the last "/", "\" or ":".
QByteArray PackFileName(const QByteArray& address);

} // namespace LanguageFile

// The texts one window takes from a block of the language file: each key names one target, which
// receives the text that follows the key's "=". A key must be followed directly by "=", keys are
// compared exactly, and a key the table does not hold changes nothing, so a text is never reset.
class TTextTable {
public:
    using Setter = std::function<void(const QByteArray& text)>;

    TTextTable& Add(const QByteArray& key, Setter setter);

    // Applies one trimmed key line.
    void SetText(const QByteArray& line) const;
    // Applies every line of every block of that name.
    void LoadTexts(const RecordText::Lines& lines, const QByteArray& block) const;

private:
    struct Target {
        QByteArray Key;
        Setter Set;
    };
    QList<Target> m_targets;
};
