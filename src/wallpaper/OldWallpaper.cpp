#include "wallpaper/OldWallpaper.h"

#include "platform/Desktop.h"
#include "platform/SettingsKey.h"

#include <QFileInfo>

namespace {

const QString OldWallPaperValue = QStringLiteral("OldWallPaper");
const QString OldStretchValue = QStringLiteral("OldStretch");
const QString OldTileActiveValue = QStringLiteral("OldTileActive");

bool IsExistingFile(const QString& path) {
    return !path.isEmpty() && QFileInfo(path).isFile();
}

} // namespace

bool SaveOldWallpaper(TDesktop& desktop) {
    const std::optional<TDesktopWallpaper> current = desktop.Read();
    if (!current || !IsExistingFile(current->Path) || current->Path.contains(QStringLiteral("Lumora")))
        return false;
    std::optional<TSettingsKey> key = TSettingsKey::Open(TSettingsKey::OpenMode::CreateIfMissing);
    if (!key)
        return false;
    key->WriteString(OldWallPaperValue, current->Path.toUtf8());
    key->WriteBool(OldStretchValue, current->Stretch);
    key->WriteBool(OldTileActiveValue, current->Tile);
    return key->Close();
}

bool RestoreOldWallpaper(TDesktop& desktop) {
    const std::optional<TSettingsKey> key = TSettingsKey::Open(TSettingsKey::OpenMode::CreateIfMissing);
    if (!key)
        return false;
    const QString path = QString::fromUtf8(key->ReadString(OldWallPaperValue).value_or(QByteArray()));
    if (!IsExistingFile(path))
        return false;
    TDesktopWallpaper wallpaper;
    wallpaper.Path = path;
    wallpaper.Tile = key->ReadBool(OldTileActiveValue).value_or(false);
    wallpaper.Stretch = key->ReadBool(OldStretchValue).value_or(false);
    return desktop.Write(wallpaper);
}
