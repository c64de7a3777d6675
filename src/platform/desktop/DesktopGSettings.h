#pragma once

#include "platform/desktop/Desktop.h"

#include <QByteArrayList>

struct _GSettingsSchema;
using GSettingsSchema = _GSettingsSchema;

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
    // A desktop that keeps its wallpaper in GNOME's own schema.
    static TGSettingsWallpaperKeys GnomeSchemaFor(const QString& name);
    // Every desktop served by GSettings.
    static QList<TGSettingsWallpaperKeys> All();
};

class TGSettingsDesktop : public TDesktop {
public:
    explicit TGSettingsDesktop(TGSettingsWallpaperKeys keys);

    // Whether the desktop's schema is installed; without it GSettings cannot be used at all.
    static bool Available(const QByteArray& schema);

    QString Name() const override { return m_keys.Name; }
    std::optional<TDesktopWallpaper> Read() override;
    bool Write(const TDesktopWallpaper& wallpaper, const TPicture* decoded = nullptr) override;
    // The user's own values of the picture and options keys, so that a separate dark-style
    // picture and options such as "zoom" come back; keys left at their default go back to it.
    std::optional<TDesktopSnapshot> Snapshot() override;

    static QByteArray Options(const TDesktopWallpaper& wallpaper);

protected:
    TExactRestore RestoreExact(const QByteArray& exact) override;

private:
    // Keys with the value to set, or none to go back to the default.
    using TSettingValues = QList<std::pair<QByteArray, std::optional<QByteArray>>>;

    QByteArrayList KeysOf(GSettingsSchema* schema) const; // the keys of ours the schema has
    static bool Apply(GSettingsSchema* schema, const TSettingValues& values);

    TGSettingsWallpaperKeys m_keys;
};
