#include "platform/desktop/DesktopNone.h"

#include "core/LogCategories.h"

#include <atomic>

namespace {

std::atomic_bool Said = false;

} // namespace

bool TNoDesktop::Write(const TDesktopWallpaper&, const TPicture*) {
    if (!Said.exchange(true))
        qCWarning(lcWallpaper).noquote()
            << "This Wayland desktop has no wallpaper setting Lumora knows, and the X11 root window is "
               "not its wallpaper: the wallpaper is not changed. Set LUMORA_DESKTOP to the desktop's "
               "backend if it has one.";
    return false;
}

bool TNoDesktop::IsWaylandSession() {
    return qEnvironmentVariable("XDG_SESSION_TYPE") == QLatin1String("wayland") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}
