#pragma once

#include "platform/desktop/Desktop.h"

#include <QString>
#include <memory>

// The backend for the running desktop: LUMORA_DESKTOP names one (a backend's Name());
// otherwise XDG_CURRENT_DESKTOP decides; otherwise, and whenever the
// desktop's own settings are not available, the X11 root window, except on Wayland, where that
// is no wallpaper (unless forced) and no backend writes.
std::unique_ptr<TDesktop> CreateDesktop();

// The backend's name for a forced choice (LUMORA_DESKTOP) and a desktop list in the form of
// XDG_CURRENT_DESKTOP ("ubuntu:GNOME"); both compared without regard to case. "x11" when neither
// names a desktop that has a backend.
QString ChooseDesktopName(const QString& forced, const QString& currentDesktops);
