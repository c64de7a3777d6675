#include "platform/desktop/Desktop.h"

TDesktop::~TDesktop() = default;

bool TDesktop::WriteWhenSaved(const TDesktopWallpaper& wallpaper, const TPicture& decoded,
                              const std::function<bool()>& fileWritten) {
    return fileWritten() && Write(wallpaper, &decoded);
}

bool TDesktop::WriteWhenDecoded(const TDesktopWallpaper& wallpaper, TDecodedRows&,
                                const std::function<const TPicture*()>& decoded,
                                const std::function<bool()>& fileWritten) {
    const TPicture* picture = decoded();
    return picture && WriteWhenSaved(wallpaper, *picture, fileWritten);
}

QSize TDesktop::StretchedSize() {
    return {};
}

std::optional<TDesktopSnapshot> TDesktop::Snapshot() {
    const std::optional<TDesktopWallpaper> wallpaper = Read();
    if (!wallpaper)
        return std::nullopt;
    return TDesktopSnapshot{*wallpaper, {}};
}

bool TDesktop::Restore(const TDesktopSnapshot& snapshot) {
    if (!snapshot.Exact.isEmpty())
        if (const TExactRestore restored = RestoreExact(snapshot.Exact);
            restored != TExactRestore::ForeignRecord)
            return restored == TExactRestore::Restored;
    return !snapshot.Wallpaper.Path.isEmpty() && Write(snapshot.Wallpaper);
}

TExactRestore TDesktop::RestoreExact(const QByteArray&) {
    return TExactRestore::ForeignRecord;
}
