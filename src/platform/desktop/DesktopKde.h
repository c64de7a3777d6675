#pragma once

#include "platform/desktop/Desktop.h"

// KDE Plasma: the shell runs a desktop script sent over D-Bus (org.kde.plasmashell, /PlasmaShell,
// org.kde.PlasmaShell.evaluateScript) and gives back what the script printed. Only the image
// wallpaper plugin has a picture file; Write switches every desktop to it.
class TKdeDesktop : public TDesktop {
public:
    QString Name() const override { return QStringLiteral("kde"); }
    std::optional<TDesktopWallpaper> Read() override;
    bool Write(const TDesktopWallpaper& wallpaper, const TPicture* decoded = nullptr) override;

    // The scripts and the reading of the first one's output, kept apart for tests.
    static QString ReadScript();
    static std::optional<TDesktopWallpaper> ParseReadOutput(const QString& output);
    static QString WriteScript(const TDesktopWallpaper& wallpaper);

    // FillMode of the image plugin (Qt Quick's Image.fillMode): 0 stretch, 1 fit, 2 crop, 3 tile,
    // 6 centred.
    static int FillMode(const TDesktopWallpaper& wallpaper);
};

// A JavaScript string literal holding the text, safe whatever the text contains.
QString JavaScriptString(const QString& text);
