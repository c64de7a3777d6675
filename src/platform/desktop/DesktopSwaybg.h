#pragma once

#include "platform/desktop/Desktop.h"

// wlroots desktops without a wallpaper command of their own (river, labwc, wayfire, ...) show
// whatever background program the session runs. Lumora runs swaybg for its picture, on every
// output, ending every other swaybg of the session once its own is up, and leaves it running when
// the program ends (so that "Shut down and keep wallpaper" keeps the picture). The user's own
// background is known only when it was drawn by swaybg: its command line is remembered and started
// again at restore. Otherwise the restore ends Lumora's swaybg, so that a background drawn by
// another program shows again, and says on the terminal that it could not put the old one back.
class TSwaybgDesktop : public TDesktop {
public:
    QString Name() const override { return QStringLiteral("swaybg"); }
    std::optional<TDesktopWallpaper> Read() override;
    bool Write(const TDesktopWallpaper& wallpaper, const TPicture* decoded = nullptr) override;
    // The command line of every swaybg the session runs.
    std::optional<TDesktopSnapshot> Snapshot() override;

    // The wallpaper values of a swaybg command line: its first picture and its mode.
    static TDesktopWallpaper WallpaperOf(const QStringList& command);

protected:
    TExactRestore RestoreExact(const QByteArray& exact) override;

private:
    std::optional<TDesktopWallpaper> m_written; // what this backend set last
};
