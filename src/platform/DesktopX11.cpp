#include "platform/DesktopX11.h"

#include "platform/X11Display.h"
#include "platform/X11Pixels.h"
#include "wallpaper/PictureDecoders.h"
#include "wallpaper/PictureEncoders.h"
#include "wallpaper/PictureLayout.h"

#include <QDir>
#include <QFileInfo>
#include <QSize>
#include <QStandardPaths>
#include <X11/Xlib.h>

namespace {

constexpr char RootPixmapProperty[] = "_XROOTPMAP_ID";
constexpr char SetRootPixmapProperty[] = "ESETROOT_PMAP_ID";
constexpr char RecordProperty[] = "_LUMORA_WALLPAPER";

QString CacheFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) + QStringLiteral("/lumora");
}

// Our record beside the pixmap id: "pixmap=", "tile=" and "stretch=" lines, then "path=" and the
// path to the end (a path may hold a line break).
QByteArray RecordText(unsigned long pixmap, const TDesktopWallpaper& wallpaper) {
    return "pixmap=" + QByteArray::number(qulonglong(pixmap)) + "\ntile=" + (wallpaper.Tile ? "1" : "0") +
           "\nstretch=" + (wallpaper.Stretch ? "1" : "0") + "\npath=" + wallpaper.Path.toUtf8();
}

std::optional<TDesktopWallpaper> RecordFor(const QByteArray& record, unsigned long pixmap) {
    const QList<QByteArray> lines = record.split('\n');
    const qsizetype pathAt = record.indexOf("\npath=");
    if (lines.size() < 4 || pathAt < 0 || lines[0] != "pixmap=" + QByteArray::number(qulonglong(pixmap)))
        return std::nullopt;
    TDesktopWallpaper wallpaper;
    wallpaper.Tile = lines[1] == "tile=1";
    wallpaper.Stretch = lines[2] == "stretch=1";
    wallpaper.Path = QString::fromUtf8(record.mid(pathAt + 6));
    return wallpaper;
}

// Frees the pixmap of our previous install. It was kept alive with RetainPermanent, so ending the
// resources of the connection that made it is the only way to give its memory back. A pixmap of
// another program is left alone even where it follows the same convention: that program may still
// be running (a desktop that draws the root itself), and ending it would be far worse than the
// memory of one background.
void ReleaseOurRetainedBackground(TX11Display& display) {
    const std::optional<unsigned long> root = display.ReadPixmapProperty(RootPixmapProperty);
    const std::optional<unsigned long> set = display.ReadPixmapProperty(SetRootPixmapProperty);
    const std::optional<QByteArray> record = display.ReadTextProperty(RecordProperty);
    if (root && set && record && *root == *set && *root != None && RecordFor(*record, *root)) {
        TX11ErrorTrap trap(display); // gone already when someone else freed it
        XKillClient(display.Handle(), *root);
        trap.Failed();
    }
}

// The size of a pixmap of the screen's depth; empty for a stale id or another depth.
std::optional<QSize> PixmapSize(const TX11Display& display, unsigned long pixmap) {
    TX11ErrorTrap trap(display);
    Window root = 0;
    int x = 0, y = 0;
    unsigned width = 0, height = 0, border = 0, depth = 0;
    const Status found =
        XGetGeometry(display.Handle(), pixmap, &root, &x, &y, &width, &height, &border, &depth);
    if (trap.Failed() || !found || int(depth) != display.Depth())
        return std::nullopt;
    return QSize(int(width), int(height));
}

} // namespace

QString TX11Desktop::SavedBackgroundPath() {
    return CacheFolder() + QStringLiteral("/root-background.bmp");
}
QString TX11Desktop::DefaultBackgroundPath() {
    return CacheFolder() + QStringLiteral("/root-default.bmp");
}

std::optional<TDesktopWallpaper> TX11Desktop::Read() {
    TX11Display display;
    if (!display.IsOpen())
        return std::nullopt;
    const unsigned long pixmap = display.ReadPixmapProperty(RootPixmapProperty).value_or(None);
    if (pixmap != None) {
        if (const std::optional<QByteArray> record = display.ReadTextProperty(RecordProperty))
            if (std::optional<TDesktopWallpaper> ours = RecordFor(*record, pixmap))
                return ours;
    }
    QDir().mkpath(CacheFolder());
    const std::optional<QSize> size = pixmap != None ? PixmapSize(display, pixmap) : std::nullopt;
    if (!size) {
        // Nothing to save: a tiny black bitmap stands for the server's own background.
        if (!QFileInfo::exists(DefaultBackgroundPath()) &&
            !WriteBmpFile(DefaultBackgroundPath(), MakePicture(1, 1)).isEmpty())
            return std::nullopt;
        return TDesktopWallpaper{DefaultBackgroundPath(), false, false};
    }
    // X repeats a background pixmap smaller than the screen, so that one is given as tiled.
    TDesktopWallpaper saved{SavedBackgroundPath(),
                            size->width() < display.ScreenWidth() || size->height() < display.ScreenHeight(),
                            false};
    if (pixmap == m_savedPixmap && QFileInfo::exists(saved.Path))
        return saved;
    std::optional<TPicture> shown;
    {
        TX11ErrorTrap trap(display);
        shown = GetPicture(display, pixmap, size->width(), size->height());
        if (trap.Failed())
            shown.reset();
    }
    if (!shown || !WriteBmpFile(saved.Path, *shown).isEmpty())
        return std::nullopt;
    m_savedPixmap = pixmap;
    return saved;
}

bool TX11Desktop::Write(const TDesktopWallpaper& wallpaper, const TPicture* decoded) {
    if (wallpaper.Path == DefaultBackgroundPath())
        return RestoreDefaultBackground();
    std::optional<TPicture> loaded;
    if (!decoded || decoded->IsNull()) {
        loaded = DecodePictureFile(wallpaper.Path, QLatin1Char('.') + QFileInfo(wallpaper.Path).suffix());
        if (!loaded)
            return false;
        decoded = &*loaded;
    }
    TX11Display display;
    if (!display.IsOpen())
        return false;
    const TPicture screen = LayOutPicture(*decoded, display.ScreenWidth(), display.ScreenHeight(),
                                          WallpaperLayout(wallpaper.Tile, wallpaper.Stretch));
    if (screen.IsNull())
        return false;

    Display* x = display.Handle();
    Pixmap pixmap = None;
    {
        TX11ErrorTrap trap(display);
        pixmap = XCreatePixmap(x, display.Root(), unsigned(screen.Width), unsigned(screen.Height),
                               unsigned(display.Depth()));
        if (!PutPicture(display, pixmap, screen) || trap.Failed()) {
            XFreePixmap(x, pixmap);
            return false;
        }
    }
    ReleaseOurRetainedBackground(display);
    display.WritePixmapProperty(RootPixmapProperty, pixmap);
    display.WritePixmapProperty(SetRootPixmapProperty, pixmap);
    display.WriteTextProperty(RecordProperty, RecordText(pixmap, wallpaper));
    XSetWindowBackgroundPixmap(x, display.Root(), pixmap);
    XClearWindow(x, display.Root());
    display.RetainResources();
    TX11ErrorTrap trap(display);
    return !trap.Failed();
}

bool TX11Desktop::RestoreDefaultBackground() {
    TX11Display display;
    if (!display.IsOpen())
        return false;
    ReleaseOurRetainedBackground(display);
    display.DeleteProperty(RootPixmapProperty);
    display.DeleteProperty(SetRootPixmapProperty);
    display.DeleteProperty(RecordProperty);
    // None on the root window brings back the server's own background.
    XSetWindowBackgroundPixmap(display.Handle(), display.Root(), None);
    XClearWindow(display.Handle(), display.Root());
    TX11ErrorTrap trap(display);
    return !trap.Failed();
}
