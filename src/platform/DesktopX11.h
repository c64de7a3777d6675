#pragma once

#include "platform/Desktop.h"

// The X11 root window: the picture is drawn into a screen-sized pixmap that becomes the root
// window's background and is announced in _XROOTPMAP_ID and ESETROOT_PMAP_ID, so that other
// programs (and the next wallpaper setter) find it; it is kept after the program ends, and freed
// by our next install.
//
// The root window has no path to read back, so each install also records the path and layout in a
// root window property of our own beside the pixmap id. Read gives that record while the root
// still shows our pixmap. A root that shows anyone else's pixmap is saved once as a bitmap in the
// cache folder and that file is given, so that writing it back later restores it; a root with no
// pixmap gives DefaultBackgroundPath(), and writing that path back removes our pixmap again.
class TX11Desktop : public TDesktop {
public:
    QString Name() const override { return QStringLiteral("x11"); }
    std::optional<TDesktopWallpaper> Read() override;
    bool Write(const TDesktopWallpaper& wallpaper, const TPicture* decoded = nullptr) override;

    // Where the root background found at start is kept, and the stand-in for "no picture".
    static QString SavedBackgroundPath();
    static QString DefaultBackgroundPath();

private:
    bool RestoreDefaultBackground();
    unsigned long m_savedPixmap = 0; // the other program's pixmap already saved by this process
};
