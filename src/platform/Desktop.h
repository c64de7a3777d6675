#pragma once

#include <QString>
#include <memory>
#include <optional>

struct TPicture;

// The desktop's wallpaper values: the picture file and how it is laid out. Tile wins over Stretch;
// with neither the picture is centred.
struct TDesktopWallpaper {
    QString Path;
    bool Tile = false;
    bool Stretch = false;

    bool operator==(const TDesktopWallpaper&) const = default;
};

// One desktop's wallpaper settings. Write installs the values and asks the desktop to show them.
class TDesktop {
public:
    virtual ~TDesktop();

    // A short name of the backend: "x11", "gnome", "cinnamon", "mate", "xfce", "kde".
    virtual QString Name() const = 0;

    // The wallpaper the desktop shows now; empty when the desktop cannot be asked. A desktop with
    // no wallpaper file gives an empty Path.
    virtual std::optional<TDesktopWallpaper> Read() = 0;

    // Installs the wallpaper. `decoded` may hold the file's pixels when the caller already has
    // them, so that a backend that draws them itself need not read the file back. Returns false
    // when the desktop was left unchanged.
    virtual bool Write(const TDesktopWallpaper& wallpaper, const TPicture* decoded = nullptr) = 0;
};

// The backend for the running desktop: LUMORA_DESKTOP names one ("x11", "gnome", "cinnamon",
// "mate", "xfce", "kde"); otherwise XDG_CURRENT_DESKTOP decides; otherwise, and whenever the
// desktop's own settings are not available, the X11 root window.
std::unique_ptr<TDesktop> CreateDesktop();

// The backend's name for a forced choice (LUMORA_DESKTOP) and a desktop list in the form of
// XDG_CURRENT_DESKTOP ("ubuntu:GNOME"); both compared without regard to case. "x11" when neither
// names a desktop that has a backend.
QString ChooseDesktopName(const QString& forced, const QString& currentDesktops);
