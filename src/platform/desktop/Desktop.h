#pragma once

#include <QSize>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

class TDecodedRows;
struct TPicture;

// The desktop's wallpaper values: the picture file and how it is laid out. Tile wins over Stretch;
// with neither the picture is centred.
struct TDesktopWallpaper {
    QString Path;
    bool Tile = false;
    bool Stretch = false;

    bool operator==(const TDesktopWallpaper&) const = default;
};

// What the user has on the desktop, taken once so that it can be put back exactly: the three
// wallpaper values, and the backend's own record of everything those values cannot hold (a
// separate dark-style picture, a layout such as "zoom", one picture per monitor and workspace, a
// plain colour). The record is text for the settings file; empty when the three values say it all.
struct TDesktopSnapshot {
    TDesktopWallpaper Wallpaper;
    QByteArray Exact;

    bool operator==(const TDesktopSnapshot&) const = default;
};

// What became of a snapshot's record handed to its backend. A record the backend did not make is no
// failure but the cue to write the snapshot's three values instead, and a desktop that did not take
// the record gives no reason, just as Write gives none.
enum class TExactRestore {
    // Another backend's record, or one this backend would never have written: Restore writes the
    // snapshot's three values instead.
    ForeignRecord,
    Restored,
    // The record was this backend's, but the desktop did not take all of it.
    NotRestored,
};

inline TExactRestore ExactRestoreOf(bool restored) {
    return restored ? TExactRestore::Restored : TExactRestore::NotRestored;
}

// One desktop's wallpaper settings. Write installs the values and asks the desktop to show them.
// A backend is made on the thread of the windows and from then on used on one thread only, the
// desktop's own (DesktopWorker.h): its calls may block for as long as the desktop's tools take.
class TDesktop {
public:
    virtual ~TDesktop();

    // A short name of the backend: "x11", "gnome", "cinnamon", "mate", "budgie", "pantheon",
    // "unity", "xfce", "kde", "lxqt", "lxde", "sway", "hyprland", "swaybg"; "none" on a Wayland desktop
    // without one.
    virtual QString Name() const = 0;

    // The wallpaper the desktop shows now; empty when the desktop cannot be asked. A desktop with
    // no wallpaper file gives an empty Path. Reading changes nothing, here or on the desktop.
    virtual std::optional<TDesktopWallpaper> Read() = 0;

    // Installs the wallpaper. `decoded` may hold the file's pixels when the caller already has
    // them, so that a backend that draws them itself need not read the file back. Returns false
    // when the desktop was left unchanged.
    virtual bool Write(const TDesktopWallpaper& wallpaper, const TPicture* decoded = nullptr) = 0;

    // Installs a wallpaper whose file is still being written: `fileWritten` waits for the file and
    // tells whether it was written whole. Nothing shows before it is, and a file that failed leaves
    // the desktop unchanged. A desktop that reads the file waits first; one that draws the pixels
    // itself draws them meanwhile and shows them once the file is there.
    virtual bool WriteWhenSaved(const TDesktopWallpaper& wallpaper, const TPicture& decoded,
                                const std::function<bool()>& fileWritten);

    // Installs a wallpaper whose picture is still being decoded into `rows`, and whose file is
    // written meanwhile: `decoded` waits for the picture and gives it, or null when it failed, and
    // then the desktop is left unchanged. Nothing shows before the picture and its file are whole;
    // a desktop that draws the pixels itself may draw the rows off the screen as they come.
    virtual bool WriteWhenDecoded(const TDesktopWallpaper& wallpaper, TDecodedRows& rows,
                                  const std::function<const TPicture*()>& decoded,
                                  const std::function<bool()>& fileWritten);

    // The size a stretched wallpaper is shown at: the largest monitor's width and height; empty
    // where the backend cannot tell, or the desktop scales the picture itself.
    virtual QSize StretchedSize();

    // What the user has now, for Restore after any number of writes, in this process or the next.
    // Empty when the desktop cannot be asked.
    virtual std::optional<TDesktopSnapshot> Snapshot();

    // Puts a snapshot back: exactly by its record when the record is this backend's, otherwise by
    // writing its three values (a record of another desktop, or none). Returns false when the
    // desktop was left unchanged.
    bool Restore(const TDesktopSnapshot& snapshot);

protected:
    // Puts back a record of this backend.
    virtual TExactRestore RestoreExact(const QByteArray& exact);
};
