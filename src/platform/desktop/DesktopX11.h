#pragma once

#include "platform/desktop/Desktop.h"

#include <QSize>

class TX11Display;

// The X11 root window: the picture is drawn into a screen-sized pixmap that becomes the root
// window's background and is announced in _XROOTPMAP_ID and ESETROOT_PMAP_ID, so that other
// programs (and the next wallpaper setter) find it; it is kept after the program ends, and freed
// by our next install.
//
// The root window has no path to read back, so each install also records the path and layout in a
// root window property of our own beside the pixmap id. Read gives that record while the root
// still shows our pixmap, and an empty path otherwise. Snapshot keeps what the user sees: a root
// that shows another program's announced pixmap is saved as a bitmap in the cache folder; a root
// without one is read as it shows (a plain colour is kept as that colour, any other picture as a
// bitmap); a root that cannot be read gives DefaultBackgroundPath(), and writing that path back
// removes our pixmap again.
class TX11Desktop : public TDesktop {
public:
    QString Name() const override { return QStringLiteral("x11"); }
    std::optional<TDesktopWallpaper> Read() override;
    bool Write(const TDesktopWallpaper& wallpaper, const TPicture* decoded = nullptr) override;
    bool WriteWhenSaved(const TDesktopWallpaper& wallpaper, const TPicture& decoded,
                        const std::function<bool()>& fileWritten) override;
    bool WriteWhenDecoded(const TDesktopWallpaper& wallpaper, TDecodedRows& rows,
                          const std::function<const TPicture*()>& decoded,
                          const std::function<bool()>& fileWritten) override;
    std::optional<TDesktopSnapshot> Snapshot() override;
    QSize StretchedSize() override;

    // Where the root background found at start is kept: a picture, one pixel of a plain colour,
    // and the stand-in for the server's own background.
    static QString SavedBackgroundPath();
    static QString ColourBackgroundPath();
    static QString DefaultBackgroundPath();

protected:
    TExactRestore RestoreExact(const QByteArray& exact) override;

private:
    static std::optional<TDesktopWallpaper> OurRecord(const TX11Display& display);
    // Another program's pixmap named in _XROOTPMAP_ID, and a root without one (xsetroot -solid, a
    // picture set without announcing it, or the server's own background): what shows comes back.
    static std::optional<TDesktopSnapshot> AnnouncedBackground(const TX11Display& display,
                                                               unsigned long pixmap, QSize size);
    std::optional<TDesktopSnapshot> UnannouncedBackground(const TX11Display& display) const;
    // Shows a pixmap drawn off the screen once the file is written; None or a failed file leave
    // the desktop as it was.
    static bool ShowWhenSaved(TX11Display& display, unsigned long pixmap, const TDesktopWallpaper& wallpaper,
                              const std::function<bool()>& fileWritten);
    // Takes our pixmap away and gives the root a plain colour, or the server's own background.
    static bool RestorePlainBackground(TX11Display& display, std::optional<unsigned long> pixel);
};
