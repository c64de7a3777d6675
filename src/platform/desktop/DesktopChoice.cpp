#include "platform/desktop/DesktopChoice.h"

#include "platform/desktop/DesktopGSettings.h"
#include "platform/desktop/DesktopHyprpaper.h"
#include "platform/desktop/DesktopKde.h"
#include "platform/desktop/DesktopNone.h"
#include "platform/desktop/DesktopPcmanfm.h"
#include "platform/desktop/DesktopSway.h"
#include "platform/desktop/DesktopSwaybg.h"
#include "platform/desktop/DesktopX11.h"
#include "platform/desktop/DesktopXfce.h"

#include <QStandardPaths>

namespace {

const QString X11 = QStringLiteral("x11");

// XDG_CURRENT_DESKTOP entries and the backend that serves them.
QString BackendFor(const QString& entry) {
    static const QList<std::pair<QString, QString>> known{
        {QStringLiteral("gnome"), QStringLiteral("gnome")},
        {QStringLiteral("gnome-classic"), QStringLiteral("gnome")},
        {QStringLiteral("gnome-flashback"), QStringLiteral("gnome")},
        {QStringLiteral("ubuntu"), QStringLiteral("gnome")},
        {QStringLiteral("unity"), QStringLiteral("unity")},
        {QStringLiteral("budgie"), QStringLiteral("budgie")},
        {QStringLiteral("pantheon"), QStringLiteral("pantheon")},
        {QStringLiteral("x-cinnamon"), QStringLiteral("cinnamon")},
        {QStringLiteral("cinnamon"), QStringLiteral("cinnamon")},
        {QStringLiteral("mate"), QStringLiteral("mate")},
        {QStringLiteral("xfce"), QStringLiteral("xfce")},
        {QStringLiteral("kde"), QStringLiteral("kde")},
        {QStringLiteral("lxqt"), QStringLiteral("lxqt")},
        {QStringLiteral("lxde"), QStringLiteral("lxde")},
        {QStringLiteral("sway"), QStringLiteral("sway")},
        {QStringLiteral("hyprland"), QStringLiteral("hyprland")},
        // wlroots desktops that leave the background to a program of the session.
        {QStringLiteral("river"), QStringLiteral("swaybg")},
        {QStringLiteral("labwc"), QStringLiteral("swaybg")},
        {QStringLiteral("wayfire"), QStringLiteral("swaybg")},
        {QStringLiteral("dwl"), QStringLiteral("swaybg")},
        {QStringLiteral("niri"), QStringLiteral("swaybg")},
        {QStringLiteral("swaybg"), QStringLiteral("swaybg")},
        {QStringLiteral("x11"), X11}};
    const QString name = entry.trimmed().toLower();
    for (const auto& [desktop, backend] : known)
        if (name == desktop)
            return backend;
    return {};
}

} // namespace

QString ChooseDesktopName(const QString& forced, const QString& currentDesktops) {
    if (!forced.isEmpty())
        return BackendFor(forced).isEmpty() ? X11 : BackendFor(forced);
    for (const QString& entry : currentDesktops.split(u':', Qt::SkipEmptyParts))
        if (const QString backend = BackendFor(entry); !backend.isEmpty())
            return backend;
    return X11;
}

std::unique_ptr<TDesktop> CreateDesktop() {
    const QString name = ChooseDesktopName(qEnvironmentVariable("LUMORA_DESKTOP"),
                                           qEnvironmentVariable("XDG_CURRENT_DESKTOP"));
    for (const TGSettingsWallpaperKeys& keys : TGSettingsWallpaperKeys::All())
        if (name == keys.Name && TGSettingsDesktop::Available(keys.Schema))
            return std::make_unique<TGSettingsDesktop>(keys);
    if (name == QLatin1String("xfce") &&
        !QStandardPaths::findExecutable(QStringLiteral("xfconf-query")).isEmpty())
        return std::make_unique<TXfceDesktop>();
    for (const TPcmanfmFlavour& flavour : {TPcmanfmFlavour::Lxqt(), TPcmanfmFlavour::Lxde()})
        if (name == flavour.Name && !QStandardPaths::findExecutable(flavour.Program).isEmpty())
            return std::make_unique<TPcmanfmDesktop>(flavour);
    if (name == QLatin1String("sway") && !QStandardPaths::findExecutable(QStringLiteral("swaymsg")).isEmpty())
        return std::make_unique<TSwayDesktop>();
    if (name == QLatin1String("hyprland") &&
        !QStandardPaths::findExecutable(QStringLiteral("hyprctl")).isEmpty())
        return std::make_unique<THyprpaperDesktop>();
    if (name == QLatin1String("swaybg") &&
        !QStandardPaths::findExecutable(QStringLiteral("swaybg")).isEmpty())
        return std::make_unique<TSwaybgDesktop>();
    if (name == QLatin1String("kde"))
        return std::make_unique<TKdeDesktop>();
    // Also where a desktop's own settings are missing: the root window is all that is left, on
    // X11 or where the user asks for it.
    if (TNoDesktop::IsWaylandSession() && qEnvironmentVariable("LUMORA_DESKTOP").toLower() != X11)
        return std::make_unique<TNoDesktop>();
    return std::make_unique<TX11Desktop>();
}
