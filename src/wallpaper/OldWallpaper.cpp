#include "wallpaper/OldWallpaper.h"

#include "core/SettingsKey.h"
#include "platform/desktop/Desktop.h"

#include <QFile>
#include <QFileInfo>

namespace {

const QString OldWallPaperValue = QStringLiteral("OldWallPaper");
const QString OldStretchValue = QStringLiteral("OldStretch");
const QString OldTileActiveValue = QStringLiteral("OldTileActive");
// The desktop's own record of the same wallpaper: what the three values above cannot hold.
const QString OldDesktopValue = QStringLiteral("OldDesktop");

bool IsExistingFile(const QString& path) {
    return !path.isEmpty() && QFileInfo(path).isFile();
}

// The user's own: a file that is not one of the program's bitmaps, or no file at all when the
// desktop's record says what the user has instead (a plain colour, a picture given by address).
bool IsUsersOwn(const TDesktopSnapshot& snapshot) {
    const QString& path = snapshot.Wallpaper.Path;
    if (path.isEmpty())
        return !snapshot.Exact.isEmpty();
    return IsExistingFile(path) && !path.contains(QStringLiteral("Lumora"));
}

} // namespace

bool SaveOldWallpaper(TDesktop& desktop) {
    const std::optional<TDesktopSnapshot> current = desktop.Snapshot();
    if (!current || !IsUsersOwn(*current))
        return false;
    std::optional<TSettingsKey> key = TSettingsKey::Open(TSettingsKey::OpenMode::CreateIfMissing);
    if (!key)
        return false;
    key->WriteString(OldWallPaperValue, QFile::encodeName(current->Wallpaper.Path));
    key->WriteBool(OldStretchValue, current->Wallpaper.Stretch);
    key->WriteBool(OldTileActiveValue, current->Wallpaper.Tile);
    if (current->Exact.isEmpty())
        key->DeleteValue(OldDesktopValue);
    else
        key->WriteString(OldDesktopValue, current->Exact);
    return key->Close();
}

bool RestoreOldWallpaper(TDesktop& desktop) {
    const std::optional<TSettingsKey> key = TSettingsKey::Open(TSettingsKey::OpenMode::CreateIfMissing);
    if (!key)
        return false;
    TDesktopSnapshot saved;
    saved.Wallpaper.Path = QFile::decodeName(key->ReadString(OldWallPaperValue).value_or(QByteArray()));
    saved.Wallpaper.Tile = key->ReadBool(OldTileActiveValue).value_or(false);
    saved.Wallpaper.Stretch = key->ReadBool(OldStretchValue).value_or(false);
    saved.Exact = key->ReadString(OldDesktopValue).value_or(QByteArray());
    if (!key->ValueExists(OldWallPaperValue) || !IsUsersOwn(saved))
        return false;
    return desktop.Restore(saved);
}
