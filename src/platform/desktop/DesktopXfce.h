#pragma once

#include "platform/desktop/Desktop.h"
#include "platform/desktop/DesktopCommand.h"

#include <QMap>

// XFCE keeps one wallpaper per monitor and workspace in the xfconf channel "xfce4-desktop",
// under /backdrop/screen0/monitor<name>/workspace<n>/ as "last-image" and "image-style";
// xfdesktop redraws as soon as a value changes. Every monitor and workspace gets the picture.
class TXfceDesktop : public TDesktop {
public:
    // Takes the monitors' names from the screens here: the backend is made on the thread of the
    // windows and then runs on the desktop's own thread, where the screens cannot be asked.
    explicit TXfceDesktop(TDesktopCommandRunner runner = RunDesktopCommand);

    QString Name() const override { return QStringLiteral("xfce"); }
    std::optional<TDesktopWallpaper> Read() override;
    bool Write(const TDesktopWallpaper& wallpaper, const TPicture* decoded = nullptr) override;
    // Every monitor's and workspace's own picture and style, so that each comes back as it was.
    std::optional<TDesktopSnapshot> Snapshot() override;

    // image-style: 1 centred, 2 tiled, 3 stretched (4 scaled, 5 zoomed and 6 spanning also fill
    // the screen and are read as stretched).
    static int ImageStyle(const TDesktopWallpaper& wallpaper);

protected:
    TExactRestore RestoreExact(const QByteArray& exact) override;

private:
    struct TBackdrop {
        QByteArray Image;
        std::optional<int> Style;
    };
    std::optional<QByteArrayList> Properties();
    // Every backdrop among the properties, by its image property.
    std::optional<QMap<QByteArray, TBackdrop>> Backdrops(const QByteArrayList& properties);
    static TDesktopWallpaper WallpaperOf(const QMap<QByteArray, TBackdrop>& backdrops);
    std::optional<QByteArray> Query(const QByteArray& property);
    bool Set(const QByteArray& property, const QByteArray& type, const QByteArray& value, bool exists);
    bool SetBackdrops(const QMap<QByteArray, TBackdrop>& backdrops, const QByteArrayList& properties);
    bool Remove(const QByteArray& property);

    TDesktopCommandRunner m_run;
    QByteArrayList m_monitors;
};
