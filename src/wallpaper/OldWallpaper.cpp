#include "wallpaper/OldWallpaper.h"

#include "core/SettingsKey.h"
#include "platform/ULMRLib.h"
#include "platform/desktop/Desktop.h"

#include <QFile>
#include <QFileInfo>

namespace {

bool IsExistingFile(const QString& path) {
    return !path.isEmpty() && QFileInfo(path).isFile();
}

// One of the program's own bitmaps: in its data folder, or in a folder named after the program as
// the data folder of older releases was.
bool IsProgramsBitmap(const QString& path) {
    return path.contains(QStringLiteral("Lumora")) ||
           QFileInfo(path).absolutePath() == QFileInfo(DataDirectory()).absoluteFilePath();
}

// The user's own: a file that is not one of the program's bitmaps, or no file at all when the
// desktop's record says what the user has instead (a plain colour, a picture given by address).
bool IsUsersOwn(const TDesktopSnapshot& snapshot) {
    const QString& path = snapshot.Wallpaper.Path;
    if (path.isEmpty())
        return !snapshot.Exact.isEmpty();
    return IsExistingFile(path) && !IsProgramsBitmap(path);
}

} // namespace

bool SaveOldWallpaper(TDesktop& desktop) {
    const std::optional<TDesktopSnapshot> current = desktop.Snapshot();
    if (!current || !IsUsersOwn(*current))
        return false;
    std::optional<TSettingsKey> key = TSettingsKey::Open(TSettingsKey::OpenMode::CreateIfMissing);
    if (!key)
        return false;
    key->Write(Settings::OldWallPaper, QFile::encodeName(current->Wallpaper.Path));
    key->Write(Settings::OldStretch, current->Wallpaper.Stretch);
    key->Write(Settings::OldTileActive, current->Wallpaper.Tile);
    if (current->Exact.isEmpty())
        key->Delete(Settings::OldDesktop);
    else
        key->Write(Settings::OldDesktop, current->Exact);
    return key->Close();
}

bool RestoreOldWallpaper(TDesktop& desktop) {
    const std::optional<TSettingsKey> key = TSettingsKey::Open(TSettingsKey::OpenMode::CreateIfMissing);
    if (!key)
        return false;
    TDesktopSnapshot saved;
    saved.Wallpaper.Path = QFile::decodeName(key->ReadOr(Settings::OldWallPaper));
    saved.Wallpaper.Tile = key->ReadOr(Settings::OldTileActive);
    saved.Wallpaper.Stretch = key->ReadOr(Settings::OldStretch);
    saved.Exact = key->ReadOr(Settings::OldDesktop);
    if (!key->ValueExists(Settings::OldWallPaper.Key()) || !IsUsersOwn(saved))
        return false;
    return desktop.Restore(saved);
}
