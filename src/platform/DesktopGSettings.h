#pragma once

#include "platform/Desktop.h"

#include <QByteArrayList>

// Desktops of the GNOME family keep their wallpaper in GSettings; each watches its keys and
// redraws when they change.
struct TGSettingsWallpaperKeys {
    QString Name;               // the backend's name
    QByteArray Schema;          // e.g. org.gnome.desktop.background
    QByteArrayList PictureKeys; // every key that names the picture; the first is read
    bool KeysHoldUris = true;   // file:// addresses rather than plain paths
    QByteArray
        OptionsKey; // "none", "wallpaper" (tiled), "centered", "scaled", "stretched", "zoom", "spanned"

    static TGSettingsWallpaperKeys Gnome();
    static TGSettingsWallpaperKeys Cinnamon();
    static TGSettingsWallpaperKeys Mate();
};

class TGSettingsDesktop : public TDesktop {
public:
    explicit TGSettingsDesktop(TGSettingsWallpaperKeys keys);

    // Whether the desktop's schema is installed; without it GSettings cannot be used at all.
    static bool Available(const QByteArray& schema);

    QString Name() const override { return m_keys.Name; }
    std::optional<TDesktopWallpaper> Read() override;
    bool Write(const TDesktopWallpaper& wallpaper, const TPicture* decoded = nullptr) override;

    static QByteArray Options(const TDesktopWallpaper& wallpaper);

private:
    TGSettingsWallpaperKeys m_keys;
    // The exact values Read found, so that writing the same wallpaper back restores a separate
    // dark-style picture and options such as "zoom" that the three wallpaper values cannot hold.
    std::optional<TDesktopWallpaper> m_readWallpaper;
    QList<std::pair<QByteArray, QByteArray>> m_readValues;
};
