#include "platform/ULMRLib.h"

#include "core/LanguageFile.h"
#include "platform/ShellOpen.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

QString ShippedFilesDirectory(const QString& executableDirectory, const QString& dataFromExecutable) {
    if (DirectoryExists(LanguageDirectory(executableDirectory, 0)))
        return executableDirectory;
    return QDir::cleanPath(executableDirectory + QLatin1Char('/') + dataFromExecutable);
}

QString ProgramDirectory() {
    static const QString directory =
        ShippedFilesDirectory(QCoreApplication::applicationDirPath(), QStringLiteral(LUMORA_DATA_FROM_BIN));
    return directory;
}

QString DataDirectory() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/lumora");
}

QString CacheDirectory() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) + QStringLiteral("/lumora");
}

QString OldDataDirectory() {
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation) + QStringLiteral("/Lumora");
}

QString LanguageDirectory(const QString& base, int language) {
    return base + QStringLiteral("/lang") + QString::number(language);
}

QString LanguageHome(int language) {
    const QString downloaded = LanguageDirectory(DataDirectory(), language);
    const QString shipped = LanguageDirectory(ProgramDirectory(), language);
    const QString found = LanguageFile::FindLanguageFile(downloaded, shipped);
    return found.isEmpty() ? downloaded : QFileInfo(found).absolutePath();
}

QString HelpPagePath(const QString& page, int language) {
    const QString relative = QStringLiteral("/help/") + page + QStringLiteral(".html");
    for (const QString& base : {DataDirectory(), ProgramDirectory()}) {
        const QString candidate = LanguageDirectory(base, language) + relative;
        if (QFileInfo::exists(candidate))
            return candidate;
    }
    return {};
}

void OpenHelpPage(const QString& page, int language) {
    const QString path = HelpPagePath(page, language);
    if (!path.isEmpty())
        ShellOpen(QUrl::fromLocalFile(path));
}

namespace {

QString Hex8(std::uint32_t value) {
    return QStringLiteral("%1").arg(value, 8, 16, QLatin1Char('0')).toUpper();
}

} // namespace

QString FormatProcessorId(const MachineIdentity::ProcessorIds& ids) {
    QStringList groups;
    for (const std::uint32_t value : {ids.signature, ids.serialHigh, ids.serialLow}) {
        const QString digits = Hex8(value);
        groups << digits.left(4) + QLatin1Char('-') + digits.mid(4);
    }
    return groups.join(QLatin1Char('-'));
}

QString FormatAdapterAddress(const MachineIdentity::HardwareAddress& address) {
    QStringList bytes;
    for (const std::uint8_t byte : address)
        bytes << QStringLiteral("%1").arg(byte, 2, 16, QLatin1Char('0')).toUpper();
    return bytes.join(QLatin1Char('-'));
}

QString AdapterAddressText(const QList<MachineIdentity::HardwareAddress>& addresses) {
    const QString none = FormatAdapterAddress({});
    for (const MachineIdentity::HardwareAddress& address : addresses) {
        const QString text = FormatAdapterAddress(address);
        if (text != none)
            return text;
    }
    return none;
}

QString FormatVolumeId(std::optional<std::uint32_t> volumeId) {
    return Hex8(volumeId.value_or(0));
}

QString ComputerIdentifier() {
    return FormatProcessorId(MachineIdentity::ReadProcessorIds()) +
           AdapterAddressText(MachineIdentity::ReadAdapterAddresses()) +
           FormatVolumeId(MachineIdentity::ReadVolumeId(QDir::homePath()));
}

QString ProgramVersionText(const QString& /*fileName*/) {
    // The version is built into the program from the project's version.
    return QStringLiteral(LUMORA_VERSION_TEXT);
}

bool DirectoryExists(const QString& path) {
    return QFileInfo(path).isDir();
}

TResult<> ForceDirectories(const QString& path) {
    if (path.isEmpty())
        return Failure(QStringLiteral("Das Verzeichnis kann nicht erstellt werden"));
    QString directory = path;
    while (directory.size() > 1 && directory.endsWith(QLatin1Char('/')))
        directory.chop(1);
    if (directory.size() < 3 || DirectoryExists(directory))
        return {};
    if (!QDir().mkpath(directory))
        return Failure(QStringLiteral("Das Verzeichnis kann nicht erstellt werden: %1").arg(directory));
    return {};
}
