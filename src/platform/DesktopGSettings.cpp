#include "platform/DesktopGSettings.h"

#include <QFile>
#include <QUrl>
#include <gio/gio.h>
#include <memory>

namespace {

struct TUnref {
    void operator()(GSettings* settings) const { g_object_unref(settings); }
    void operator()(GSettingsSchema* schema) const { g_settings_schema_unref(schema); }
};
using TSettings = std::unique_ptr<GSettings, TUnref>;
using TSchema = std::unique_ptr<GSettingsSchema, TUnref>;

TSchema LookUp(const QByteArray& schema) {
    GSettingsSchemaSource* source = g_settings_schema_source_get_default();
    return TSchema(source ? g_settings_schema_source_lookup(source, schema.constData(), TRUE) : nullptr);
}

QByteArray ReadString(GSettings* settings, const QByteArray& key) {
    gchar* value = g_settings_get_string(settings, key.constData());
    QByteArray text(value);
    g_free(value);
    return text;
}

} // namespace

TGSettingsWallpaperKeys TGSettingsWallpaperKeys::Gnome() {
    return {QStringLiteral("gnome"),
            "org.gnome.desktop.background",
            {"picture-uri", "picture-uri-dark"},
            true,
            "picture-options"};
}

TGSettingsWallpaperKeys TGSettingsWallpaperKeys::Cinnamon() {
    return {QStringLiteral("cinnamon"),
            "org.cinnamon.desktop.background",
            {"picture-uri"},
            true,
            "picture-options"};
}

TGSettingsWallpaperKeys TGSettingsWallpaperKeys::Mate() {
    return {QStringLiteral("mate"), "org.mate.background", {"picture-filename"}, false, "picture-options"};
}

TGSettingsDesktop::TGSettingsDesktop(TGSettingsWallpaperKeys keys)
    : m_keys(std::move(keys)) {}

bool TGSettingsDesktop::Available(const QByteArray& schema) {
    return LookUp(schema) != nullptr;
}

QByteArray TGSettingsDesktop::Options(const TDesktopWallpaper& wallpaper) {
    if (wallpaper.Tile)
        return "wallpaper";
    return wallpaper.Stretch ? "stretched" : "centered";
}

std::optional<TDesktopWallpaper> TGSettingsDesktop::Read() {
    const TSchema schema = LookUp(m_keys.Schema);
    if (!schema)
        return std::nullopt;
    TSettings settings(g_settings_new_full(schema.get(), nullptr, nullptr));
    QList<std::pair<QByteArray, QByteArray>> values;
    for (const QByteArray& key : m_keys.PictureKeys + QByteArrayList{m_keys.OptionsKey})
        if (g_settings_schema_has_key(schema.get(), key.constData()))
            values.append({key, ReadString(settings.get(), key)});
    if (values.isEmpty() || values.first().first != m_keys.PictureKeys.first())
        return std::nullopt;

    TDesktopWallpaper wallpaper;
    const QByteArray picture = values.first().second;
    if (!m_keys.KeysHoldUris)
        wallpaper.Path = QFile::decodeName(picture);
    else if (const QUrl url = QUrl::fromEncoded(picture); url.isLocalFile())
        wallpaper.Path = url.toLocalFile(); // a picture elsewhere than in a file cannot be given back
    const QByteArray options = values.last().first == m_keys.OptionsKey ? values.last().second : QByteArray();
    wallpaper.Tile = options == "wallpaper";
    wallpaper.Stretch =
        options == "stretched" || options == "scaled" || options == "zoom" || options == "spanned";
    m_readWallpaper = wallpaper;
    m_readValues = values;
    return wallpaper;
}

bool TGSettingsDesktop::Write(const TDesktopWallpaper& wallpaper, const TPicture*) {
    const TSchema schema = LookUp(m_keys.Schema);
    if (!schema)
        return false;
    QList<std::pair<QByteArray, QByteArray>> values;
    if (m_readWallpaper == wallpaper) {
        values = m_readValues;
    } else {
        const QByteArray picture = m_keys.KeysHoldUris ? QUrl::fromLocalFile(wallpaper.Path).toEncoded()
                                                       : QFile::encodeName(wallpaper.Path);
        for (const QByteArray& key : m_keys.PictureKeys)
            if (g_settings_schema_has_key(schema.get(), key.constData()))
                values.append({key, picture});
        values.append({m_keys.OptionsKey, Options(wallpaper)});
    }
    TSettings settings(g_settings_new_full(schema.get(), nullptr, nullptr));
    // One change for the desktop to see: it redraws once, with the new picture and options.
    g_settings_delay(settings.get());
    bool written = true;
    for (const auto& [key, value] : values)
        written = g_settings_set_string(settings.get(), key.constData(), value.constData()) && written;
    if (!written) {
        g_settings_revert(settings.get());
        return false;
    }
    g_settings_apply(settings.get());
    g_settings_sync();
    return true;
}
