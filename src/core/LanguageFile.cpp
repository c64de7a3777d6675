#include "core/LanguageFile.h"

#include "core/LanguageList.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace LanguageFile {

QString FindLanguageFile(const QString& dataLanguageDir, const QString& programLanguageDir) {
    for (const QString& directory : {dataLanguageDir, programLanguageDir}) {
        const QString path = directory + QLatin1Char('/') + QLatin1String(FileName);
        if (QFileInfo(path).isFile())
            return path;
    }
    return {};
}

std::optional<RecordText::Lines> ReadLines(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return RecordText::SplitLines(file.readAll());
}

void ForEachBlockLine(const RecordText::Lines& lines, const QByteArray& block,
                      const std::function<void(const QByteArray& line)>& setText) {
    RecordText::ReadRecords(
        lines, block, RecordText::ReadMode::Trimmed, [] {},
        [&](const QByteArray& line) {
            setText(line);
            return true;
        });
}

std::optional<qint32> DeclaredPackVersion(const RecordText::Lines& lines) {
    std::optional<qint32> version;
    bool versionInBlock = false;
    RecordText::ReadRecords(
        lines, "global", RecordText::ReadMode::Trimmed, [&] { versionInBlock = false; },
        [&](const QByteArray& line) {
            if (!versionInBlock && RecordText::RecordKey(line) == "version") {
                bool ok = false;
                const qint32 number = RecordText::RecordValue(line).toInt(&ok, 10);
                version = ok ? std::optional<qint32>(number) : std::nullopt;
                versionInBlock = true;
            }
            return true;
        });
    return version;
}

qint32 PackVersionOfLines(const RecordText::Lines& lines) {
    return DeclaredPackVersion(lines).value_or(0);
}

qint32 ReadPackVersion(const QString& path) {
    const std::optional<RecordText::Lines> lines = ReadLines(path);
    return lines ? PackVersionOfLines(*lines) : 0;
}

namespace {

QString RefusedPackPath(const QString& languageDir) {
    return languageDir + QLatin1Char('/') + QLatin1String(RefusedPackFileName);
}

std::optional<qint32> RefusedPackVersion(const QString& languageDir) {
    QFile file(RefusedPackPath(languageDir));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    bool number = false;
    const qint32 version = file.read(16).trimmed().toInt(&number);
    return number ? std::optional<qint32>(version) : std::nullopt;
}

} // namespace

bool PackDownloadNeeded(const QString& languageDir, const TWebLanguage* offered, const QString& shippedDir) {
    if (!offered || RefusedPackVersion(languageDir) == offered->packversion)
        return false;
    const QString path = languageDir + QLatin1Char('/') + QLatin1String(FileName);
    if (QFileInfo(path).isFile())
        return offered->packversion > ReadPackVersion(path);
    const QString shipped = shippedDir + QLatin1Char('/') + QLatin1String(FileName);
    return shippedDir.isEmpty() || !QFileInfo(shipped).isFile() ||
           offered->packversion > ReadPackVersion(shipped);
}

void RememberRefusedPack(const QString& languageDir, qint32 version) {
    QSaveFile file(RefusedPackPath(languageDir));
    if (file.open(QIODevice::WriteOnly) && file.write(QByteArray::number(version) + '\n') > 0)
        file.commit();
}

void ForgetRefusedPack(const QString& languageDir) {
    QFile::remove(RefusedPackPath(languageDir));
}

QByteArray PackFileName(const QByteArray& address) {
    qsizetype last = -1;
    for (const char separator : {'/', '\\', ':'})
        last = std::max(last, address.lastIndexOf(separator));
    return address.mid(last + 1);
}

} // namespace LanguageFile

TTextTable& TTextTable::Add(const QByteArray& key, Setter setter) {
    m_targets.append({key, std::move(setter)});
    return *this;
}

void TTextTable::SetText(const QByteArray& line) const {
    const qsizetype equals = line.indexOf('=');
    if (equals <= 0)
        return;
    const QByteArrayView key(line.constData(), equals);
    for (const Target& target : m_targets) {
        if (target.Key == key) {
            target.Set(line.mid(equals + 1));
            return;
        }
    }
}

void TTextTable::LoadTexts(const RecordText::Lines& lines, const QByteArray& block) const {
    LanguageFile::ForEachBlockLine(lines, block, [this](const QByteArray& line) { SetText(line); });
}
