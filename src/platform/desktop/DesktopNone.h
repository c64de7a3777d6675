#pragma once

#include "platform/desktop/Desktop.h"

// A Wayland session whose desktop has no backend here: the X11 root window is no wallpaper there,
// so nothing is written and no write succeeds. The first write says so on the terminal.
class TNoDesktop : public TDesktop {
public:
    QString Name() const override { return QStringLiteral("none"); }
    std::optional<TDesktopWallpaper> Read() override { return std::nullopt; }
    bool Write(const TDesktopWallpaper& wallpaper, const TPicture* decoded = nullptr) override;

    // Whether the session is a Wayland one (XDG_SESSION_TYPE, or a Wayland display to talk to).
    static bool IsWaylandSession();
};
