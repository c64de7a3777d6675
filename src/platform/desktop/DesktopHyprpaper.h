#pragma once

#include "platform/desktop/Desktop.h"
#include "platform/desktop/DesktopCommand.h"

// Hyprland's wallpaper program, hyprpaper, driven through `hyprctl hyprpaper`: a picture is loaded
// ("preload"), shown on every monitor ("wallpaper ,<file>") and let go once another shows
// ("unload"); each answers "ok" or says what went wrong. "listactive" gives each monitor's picture,
// one "<monitor> = <file>" line each, which is what is remembered and put back. hyprpaper has no
// plain centring: a centred picture is shown whole ("contain:"), a stretched one covers the monitor.
class THyprpaperDesktop : public TDesktop {
public:
    explicit THyprpaperDesktop(TDesktopCommandRunner runner = RunDesktopCommand);

    QString Name() const override { return QStringLiteral("hyprland"); }
    std::optional<TDesktopWallpaper> Read() override;
    bool Write(const TDesktopWallpaper& wallpaper, const TPicture* decoded = nullptr) override;
    // Every monitor's picture.
    std::optional<TDesktopSnapshot> Snapshot() override;

protected:
    TExactRestore RestoreExact(const QByteArray& exact) override;

private:
    using TActive = QList<std::pair<QString, QString>>; // monitor, file
    std::optional<TActive> Active();
    // One request; true when hyprpaper answered "ok".
    bool Ask(const QString& request, const QString& argument);
    bool Show(const QString& monitor, const QString& file, const QString& mode);

    TDesktopCommandRunner m_run;
    std::optional<TDesktopWallpaper> m_written; // what this backend set last, as hyprpaper loses the mode
};
