#pragma once

#include "platform/Desktop.h"
#include "platform/DesktopCommand.h"

#include <QMap>

// XFCE keeps one wallpaper per monitor and workspace in the xfconf channel "xfce4-desktop",
// under /backdrop/screen0/monitor<name>/workspace<n>/ as "last-image" and "image-style";
// xfdesktop redraws as soon as a value changes. Every monitor and workspace gets the picture.
class TXfceDesktop : public TDesktop {
public:
    explicit TXfceDesktop(TDesktopCommandRunner runner = RunDesktopCommand);

    QString Name() const override { return QStringLiteral("xfce"); }
    std::optional<TDesktopWallpaper> Read() override;
    bool Write(const TDesktopWallpaper& wallpaper, const TPicture* decoded = nullptr) override;

    // image-style: 1 centred, 2 tiled, 3 stretched (4 scaled, 5 zoomed and 6 spanning also fill
    // the screen and are read as stretched).
    static int ImageStyle(const TDesktopWallpaper& wallpaper);

private:
    struct TBackdrop {
        QByteArray Image;
        std::optional<int> Style;
    };
    std::optional<QByteArrayList> Properties();
    std::optional<QByteArray> Query(const QByteArray& property);
    bool Set(const QByteArray& property, const QByteArray& type, const QByteArray& value, bool exists);

    TDesktopCommandRunner m_run;
    // What Read found on each monitor and workspace, so that writing that same wallpaper back
    // gives every workspace its own picture and style again.
    std::optional<TDesktopWallpaper> m_readWallpaper;
    QMap<QByteArray, TBackdrop> m_readBackdrops;
};
