#include "platform/desktop/DesktopX11.h"

#include "core/LogCategories.h"
#include "core/picture/DecodedRows.h"
#include "core/picture/PictureDecoders.h"
#include "core/picture/PictureEncoders.h"
#include "core/picture/PictureLayout.h"
#include "platform/desktop/DesktopRecord.h"
#include "platform/desktop/X11Display.h"
#include "platform/desktop/X11Pixels.h"

#include <QDir>
#include <QFileInfo>
#include <QSize>
#include <QStandardPaths>
#include <X11/Xlib.h>
#include <algorithm>

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

// What the root window shows where no window covers it, read through a window of our own that
// shows the root's background (ParentRelative) above every other window for a moment: the root's
// own contents include the windows on it. Empty when it cannot be read.
std::optional<TPicture> VisibleBackground(const TX11Display& display) {
    Display* x = display.Handle();
    TX11ErrorTrap trap(display);
    XSetWindowAttributes attributes = {};
    attributes.override_redirect = True;
    attributes.background_pixmap = ParentRelative;
    const Window window = XCreateWindow(x, display.Root(), 0, 0, unsigned(display.ScreenWidth()),
                                        unsigned(display.ScreenHeight()), 0, CopyFromParent, InputOutput,
                                        CopyFromParent, CWOverrideRedirect | CWBackPixmap, &attributes);
    XMapRaised(x, window);
    std::optional<TPicture> shown;
    if (!trap.Failed())
        shown = GetPicture(display, window, display.ScreenWidth(), display.ScreenHeight());
    XDestroyWindow(x, window);
    if (trap.Failed())
        return std::nullopt;
    return shown;
}

bool IsPlain(const TPicture& picture) {
    const QByteArrayView first(picture.Pixels.constData(), 3);
    for (qsizetype at = 3; at < picture.Pixels.size(); at += 3)
        if (QByteArrayView(picture.Pixels.constData() + at, 3) != first)
            return false;
    return true;
}

// A plain colour in the record: "#" and red, green and blue in two hex digits each.
QByteArray ColourText(const TPicture& plain) {
    const QByteArray bgr = plain.Pixels.left(3);
    const char rgb[] = {bgr[2], bgr[1], bgr[0]};
    return '#' + QByteArray(rgb, 3).toHex();
}

std::optional<unsigned long> PixelOf(const TX11Display& display, const QByteArray& colour) {
    const QByteArray rgb = QByteArray::fromHex(colour.mid(1));
    if (colour.size() != 7 || colour[0] != '#' || rgb.size() != 3 || rgb.toHex() != colour.mid(1).toLower())
        return std::nullopt;
    XColor wanted = {};
    wanted.red = ushort(uchar(rgb[0]) * 257);
    wanted.green = ushort(uchar(rgb[1]) * 257);
    wanted.blue = ushort(uchar(rgb[2]) * 257);
    Display* x = display.Handle();
    if (!XAllocColor(x, DefaultColormap(x, DefaultScreen(x)), &wanted))
        return std::nullopt;
    return wanted.pixel;
}

const QByteArray ColourName = "colour";

// Whether the monitors cover the whole screen without overlapping, so that no part of the
// background is left undrawn.
bool TileTheScreen(const QList<QRect>& monitors, QSize screen) {
    qint64 covered = 0;
    for (qsizetype at = 0; at < monitors.size(); ++at) {
        const QRect inside = monitors[at].intersected(QRect(QPoint(), screen));
        covered += qint64(inside.width()) * inside.height();
        for (qsizetype other = at + 1; other < monitors.size(); ++other)
            if (monitors[at].intersects(monitors[other]))
                return false;
    }
    return covered == qint64(screen.width()) * screen.height();
}

// A screen-sized pixmap for the background, black where no monitor looks; None when the screen
// is too large for a picture.
Pixmap ScreenPixmap(const TX11Display& display, const QList<QRect>& monitors) {
    const QSize screen(display.ScreenWidth(), display.ScreenHeight());
    if (!PictureSizeAllowed(screen.width(), screen.height()))
        return None;
    Display* x = display.Handle();
    const Pixmap pixmap = XCreatePixmap(x, display.Root(), unsigned(screen.width()),
                                        unsigned(screen.height()), unsigned(display.Depth()));
    if (!TileTheScreen(monitors, screen)) {
        GC gc = XCreateGC(x, pixmap, 0, nullptr);
        XSetForeground(x, gc, BlackPixel(x, DefaultScreen(x)));
        XFillRectangle(x, pixmap, gc, 0, 0, unsigned(screen.width()), unsigned(screen.height()));
        XFreeGC(x, gc);
    }
    return pixmap;
}

void CopyArea(const TX11Display& display, Pixmap pixmap, const QRect& from, QPoint to) {
    Display* x = display.Handle();
    GC gc = XCreateGC(x, pixmap, 0, nullptr);
    XCopyArea(x, pixmap, pixmap, gc, from.x(), from.y(), unsigned(from.width()), unsigned(from.height()),
              to.x(), to.y());
    XFreeGC(x, gc);
}

// A screen-sized pixmap with the picture laid out on each monitor's own rectangle, as a desktop
// with several monitors shows it; black where no monitor looks. None when it cannot be made.
Pixmap DrawOnEachMonitor(const TX11Display& display, const TPicture& picture, TWallpaperLayout layout) {
    const QList<QRect> monitors = display.Monitors();
    TX11ErrorTrap trap(display);
    const Pixmap pixmap = ScreenPixmap(display, monitors);
    if (pixmap == None)
        return None;
    bool drawn = true;
    QList<QRect> done;
    for (const QRect& monitor : monitors) {
        // A monitor of the size of one drawn already shows the same: the server copies it over.
        const auto same = std::find_if(done.cbegin(), done.cend(), [&monitor](const QRect& other) {
            return other.size() == monitor.size();
        });
        if (same != done.cend()) {
            CopyArea(display, pixmap, *same, monitor.topLeft());
            continue;
        }
        const TPicture shown = LayOutPicture(picture, monitor.width(), monitor.height(), layout);
        drawn = drawn && PutPicture(display, pixmap, shown, monitor.topLeft());
        done << monitor;
    }
    if (!drawn || trap.Failed()) {
        XFreePixmap(display.Handle(), pixmap);
        return None;
    }
    return pixmap;
}

// The same for a picture of every monitor's size that is still being decoded: its rows go to the
// first monitor as they come, and the server copies each band on to the other monitors while the
// rest is decoded. None when it cannot be made or decoding failed.
Pixmap DrawWhileDecoded(const TX11Display& display, const QList<QRect>& monitors, TDecodedRows& rows) {
    TX11ErrorTrap trap(display);
    const Pixmap pixmap = ScreenPixmap(display, monitors);
    if (pixmap == None)
        return None;
    const QRect first = monitors.first();
    bool drawn = true;
    {
        TX11PictureUpload upload(display, pixmap, first.width(), first.height());
        for (int have = 0; drawn && have < first.height();)
            drawn = rows.ReadMoreRows(have, [&](int top, int count, const char* pixels) {
                have = top + count;
                TPicture band;
                band.Width = first.width();
                band.Height = count;
                band.Pixels = QByteArray::fromRawData(pixels, TPicture::ByteCount(band.Width, count));
                if (!upload.Put(band, first.topLeft() + QPoint(0, top)))
                    return false;
                // The server takes requests in order: the band is in place before it is copied.
                const QRect drawnBand(first.x(), first.y() + top, first.width(), count);
                for (const QRect& monitor : monitors.mid(1))
                    CopyArea(display, pixmap, drawnBand, monitor.topLeft() + QPoint(0, top));
                return true;
            });
        drawn = drawn && upload.Finish();
    }
    if (!drawn || trap.Failed()) {
        XFreePixmap(display.Handle(), pixmap);
        return None;
    }
    return pixmap;
}

} // namespace

QString TX11Desktop::SavedBackgroundPath() {
    return CacheFolder() + QStringLiteral("/root-background.bmp");
}
QString TX11Desktop::ColourBackgroundPath() {
    return CacheFolder() + QStringLiteral("/root-colour.bmp");
}
QString TX11Desktop::DefaultBackgroundPath() {
    return CacheFolder() + QStringLiteral("/root-default.bmp");
}

std::optional<TDesktopWallpaper> TX11Desktop::Read() {
    TX11Display display;
    if (!display.IsOpen())
        return std::nullopt;
    return OurRecord(display).value_or(TDesktopWallpaper{});
}

QSize TX11Desktop::StretchedSize() {
    TX11Display display;
    if (!display.IsOpen())
        return {};
    QSize largest;
    for (const QRect& monitor : display.Monitors())
        largest = largest.expandedTo(monitor.size());
    return largest;
}

std::optional<TDesktopWallpaper> TX11Desktop::OurRecord(const TX11Display& display) {
    const unsigned long pixmap = display.ReadPixmapProperty(RootPixmapProperty).value_or(None);
    if (pixmap == None)
        return std::nullopt;
    const std::optional<QByteArray> record = display.ReadTextProperty(RecordProperty);
    return record ? RecordFor(*record, pixmap) : std::nullopt;
}

std::optional<TDesktopSnapshot> TX11Desktop::Snapshot() {
    TX11Display display;
    if (!display.IsOpen())
        return std::nullopt;
    if (const std::optional<TDesktopWallpaper> ours = OurRecord(display))
        return TDesktopSnapshot{*ours, {}};
    QDir().mkpath(CacheFolder());
    const unsigned long pixmap = display.ReadPixmapProperty(RootPixmapProperty).value_or(None);
    if (const std::optional<QSize> size = pixmap != None ? PixmapSize(display, pixmap) : std::nullopt)
        return AnnouncedBackground(display, pixmap, *size);
    return UnannouncedBackground(display);
}

std::optional<TDesktopSnapshot> TX11Desktop::AnnouncedBackground(const TX11Display& display,
                                                                 unsigned long pixmap, QSize size) {
    std::optional<TPicture> shown;
    {
        TX11ErrorTrap trap(display);
        shown = GetPicture(display, pixmap, size.width(), size.height());
        if (trap.Failed())
            shown.reset();
    }
    if (!shown || !WriteBmpFile(SavedBackgroundPath(), *shown))
        return std::nullopt;
    // X repeats a background pixmap smaller than the screen, so that one is given as tiled.
    const bool tiled = size.width() < display.ScreenWidth() || size.height() < display.ScreenHeight();
    return TDesktopSnapshot{{SavedBackgroundPath(), tiled, false}, {}};
}

std::optional<TDesktopSnapshot> TX11Desktop::UnannouncedBackground(const TX11Display& display) const {
    const std::optional<TPicture> shown = VisibleBackground(display);
    if (!shown || shown->IsNull()) {
        // Nothing to read: a tiny black bitmap stands for the server's own background.
        if (!QFileInfo::exists(DefaultBackgroundPath()) &&
            !WriteBmpFile(DefaultBackgroundPath(), MakePicture(1, 1)))
            return std::nullopt;
        return TDesktopSnapshot{{DefaultBackgroundPath(), false, false}, {}};
    }
    if (IsPlain(*shown)) {
        // One pixel of the colour, tiled, shows the same; the record gives the root its colour
        // back without any picture.
        TPicture pixel = MakePicture(1, 1);
        pixel.Pixels = shown->Pixels.left(3);
        if (!WriteBmpFile(ColourBackgroundPath(), pixel))
            return std::nullopt;
        return TDesktopSnapshot{{ColourBackgroundPath(), true, false},
                                EncodeDesktopRecord(Name(), {{ColourName, ColourText(*shown)}})};
    }
    if (!WriteBmpFile(SavedBackgroundPath(), *shown))
        return std::nullopt;
    return TDesktopSnapshot{{SavedBackgroundPath(), false, false}, {}};
}

TExactRestore TX11Desktop::RestoreExact(const QByteArray& exact) {
    const std::optional<TDesktopValues> record = DecodeDesktopRecord(Name(), exact);
    if (!record || record->size() != 1 || record->first().first != ColourName)
        return TExactRestore::ForeignRecord;
    TX11Display display;
    if (!display.IsOpen())
        return TExactRestore::NotRestored;
    const std::optional<unsigned long> pixel = PixelOf(display, record->first().second);
    if (!pixel)
        return TExactRestore::ForeignRecord;
    return ExactRestoreOf(RestorePlainBackground(display, pixel));
}

bool TX11Desktop::Write(const TDesktopWallpaper& wallpaper, const TPicture* decoded) {
    if (wallpaper.Path == DefaultBackgroundPath()) {
        TX11Display display;
        return display.IsOpen() && RestorePlainBackground(display, std::nullopt);
    }
    std::optional<TPicture> loaded;
    if (!decoded || decoded->IsNull()) {
        TResult<TPicture> read =
            DecodePictureFile(wallpaper.Path, QLatin1Char('.') + QFileInfo(wallpaper.Path).suffix());
        if (!read)
            return false;
        decoded = &loaded.emplace(std::move(*read));
    }
    return WriteWhenSaved(wallpaper, *decoded, [] { return true; });
}

bool TX11Desktop::WriteWhenSaved(const TDesktopWallpaper& wallpaper, const TPicture& decoded,
                                 const std::function<bool()>& fileWritten) {
    if (wallpaper.Path == DefaultBackgroundPath() || decoded.IsNull())
        return TDesktop::WriteWhenSaved(wallpaper, decoded, fileWritten);
    TX11Display display;
    if (!display.IsOpen()) {
        qCWarning(lcWallpaper, "the X display \"%s\" cannot be opened", qgetenv("DISPLAY").constData());
        return false;
    }
    const Pixmap pixmap =
        DrawOnEachMonitor(display, decoded, WallpaperLayout(wallpaper.Tile, wallpaper.Stretch));
    return ShowWhenSaved(display, pixmap, wallpaper, fileWritten);
}

bool TX11Desktop::WriteWhenDecoded(const TDesktopWallpaper& wallpaper, TDecodedRows& rows,
                                   const std::function<const TPicture*()>& decoded,
                                   const std::function<bool()>& fileWritten) {
    if (wallpaper.Path == DefaultBackgroundPath())
        return TDesktop::WriteWhenDecoded(wallpaper, rows, decoded, fileWritten);
    // The server is asked while the picture's size is still being read.
    TX11Display display;
    const QList<QRect> monitors = display.IsOpen() ? display.Monitors() : QList<QRect>();
    const std::optional<TDecodedRows::TShape> shape = rows.WaitForBegin();
    if (!shape)
        return TDesktop::WriteWhenDecoded(wallpaper, rows, decoded, fileWritten);
    // A picture of each monitor's size is shown as it is, whatever the layout; any other is laid
    // out once it is whole.
    const QSize size(shape->Width, shape->Height);
    const bool asDecoded =
        !monitors.isEmpty() &&
        std::all_of(monitors.cbegin(), monitors.cend(), [size](const QRect& m) { return m.size() == size; });
    if (!asDecoded)
        return TDesktop::WriteWhenDecoded(wallpaper, rows, decoded, fileWritten);
    Pixmap pixmap = DrawWhileDecoded(display, monitors, rows);
    // The picture may still be found broken at its very end.
    if (!decoded()) {
        if (pixmap != None)
            XFreePixmap(display.Handle(), pixmap);
        return false;
    }
    return ShowWhenSaved(display, pixmap, wallpaper, fileWritten);
}

bool TX11Desktop::ShowWhenSaved(TX11Display& display, unsigned long pixmap,
                                const TDesktopWallpaper& wallpaper,
                                const std::function<bool()>& fileWritten) {
    if (pixmap == None) {
        qCWarning(lcWallpaper, "the X server refused a %d x %d background", display.ScreenWidth(),
                  display.ScreenHeight());
        return false;
    }
    Display* x = display.Handle();
    // Drawn off the screen so far: the root shows it only with its file whole, so that what the
    // record names is always there.
    if (!fileWritten()) {
        XFreePixmap(x, pixmap);
        return false;
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

bool TX11Desktop::RestorePlainBackground(TX11Display& display, std::optional<unsigned long> pixel) {
    ReleaseOurRetainedBackground(display);
    display.DeleteProperty(RootPixmapProperty);
    display.DeleteProperty(SetRootPixmapProperty);
    display.DeleteProperty(RecordProperty);
    // A colour of its own, or None, which brings back the server's own background.
    if (pixel)
        XSetWindowBackground(display.Handle(), display.Root(), *pixel);
    else
        XSetWindowBackgroundPixmap(display.Handle(), display.Root(), None);
    XClearWindow(display.Handle(), display.Root());
    TX11ErrorTrap trap(display);
    return !trap.Failed();
}
