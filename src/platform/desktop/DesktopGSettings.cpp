#include "platform/desktop/DesktopGSettings.h"

#include "core/LogCategories.h"
#include "platform/desktop/DesktopRecord.h"
#include "platform/desktop/GioLibrary.h"

#include <QFile>
#include <QUrl>
#include <memory>

namespace {

struct TUnref {
    void operator()(GSettings* settings) const { Gio()->g_object_unref(settings); }
    void operator()(GSettingsSchema* schema) const { Gio()->g_settings_schema_unref(schema); }
};
using TSettings = std::unique_ptr<GSettings, TUnref>;
using TSchema = std::unique_ptr<GSettingsSchema, TUnref>;

TSchema LookUp(const QByteArray& schema) {
    // Without GIO there is no schema, and the backend is not used; with one, GIO is loaded.
    if (!Gio())
        return nullptr;
    GSettingsSchemaSource* source = Gio()->g_settings_schema_source_get_default();
    return TSchema(source ? Gio()->g_settings_schema_source_lookup(source, schema.constData(), TRUE)
                          : nullptr);
}

QByteArray ReadString(GSettings* settings, const QByteArray& key) {
    gchar* value = Gio()->g_settings_get_string(settings, key.constData());
    QByteArray text(value);
    g_free(value);
    return text;
}

} // namespace

TGSettingsWallpaperKeys TGSettingsWallpaperKeys::Gnome() {
    return GnomeSchemaFor(QStringLiteral("gnome"));
}

TGSettingsWallpaperKeys TGSettingsWallpaperKeys::GnomeSchemaFor(const QString& name) {
    // Older releases have no dark-style picture: the schema's keys decide which are written.
    return {
        name, "org.gnome.desktop.background", {"picture-uri", "picture-uri-dark"}, true, "picture-options"};
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

QList<TGSettingsWallpaperKeys> TGSettingsWallpaperKeys::All() {
    // Budgie, Pantheon and Unity draw the GNOME background keys with their own window managers.
    return {Gnome(),
            Cinnamon(),
            Mate(),
            GnomeSchemaFor(QStringLiteral("budgie")),
            GnomeSchemaFor(QStringLiteral("pantheon")),
            GnomeSchemaFor(QStringLiteral("unity"))};
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

QByteArrayList TGSettingsDesktop::KeysOf(GSettingsSchema* schema) const {
    QByteArrayList keys;
    for (const QByteArray& key : m_keys.PictureKeys + QByteArrayList{m_keys.OptionsKey})
        if (Gio()->g_settings_schema_has_key(schema, key.constData()))
            keys.append(key);
    return keys;
}

std::optional<TDesktopWallpaper> TGSettingsDesktop::Read() {
    const TSchema schema = LookUp(m_keys.Schema);
    if (!schema || !Gio()->g_settings_schema_has_key(schema.get(), m_keys.PictureKeys.first().constData()))
        return std::nullopt;
    TSettings settings(Gio()->g_settings_new_full(schema.get(), nullptr, nullptr));
    TDesktopWallpaper wallpaper;
    const QByteArray picture = ReadString(settings.get(), m_keys.PictureKeys.first());
    if (!m_keys.KeysHoldUris)
        wallpaper.Path = QFile::decodeName(picture);
    else if (const QUrl url = QUrl::fromEncoded(picture); url.isLocalFile())
        wallpaper.Path = url.toLocalFile(); // a picture elsewhere than in a file cannot be given back
    const QByteArray options = Gio()->g_settings_schema_has_key(schema.get(), m_keys.OptionsKey.constData())
                                   ? ReadString(settings.get(), m_keys.OptionsKey)
                                   : QByteArray();
    wallpaper.Tile = options == "wallpaper";
    wallpaper.Stretch =
        options == "stretched" || options == "scaled" || options == "zoom" || options == "spanned";
    return wallpaper;
}

std::optional<TDesktopSnapshot> TGSettingsDesktop::Snapshot() {
    const std::optional<TDesktopWallpaper> wallpaper = Read();
    if (!wallpaper)
        return std::nullopt;
    const TSchema schema = LookUp(m_keys.Schema);
    TSettings settings(Gio()->g_settings_new_full(schema.get(), nullptr, nullptr));
    // Only the values the user set: a key left at the desktop's default goes back to the default.
    TDesktopValues values;
    for (const QByteArray& key : KeysOf(schema.get()))
        if (GVariant* own = Gio()->g_settings_get_user_value(settings.get(), key.constData())) {
            if (g_variant_is_of_type(own, G_VARIANT_TYPE_STRING))
                values.append({key, QByteArray(g_variant_get_string(own, nullptr))});
            g_variant_unref(own);
        }
    return TDesktopSnapshot{*wallpaper, EncodeDesktopRecord(Name(), values)};
}

bool TGSettingsDesktop::Write(const TDesktopWallpaper& wallpaper, const TPicture*) {
    const TSchema schema = LookUp(m_keys.Schema);
    if (!schema)
        return false;
    const QByteArray picture = m_keys.KeysHoldUris ? QUrl::fromLocalFile(wallpaper.Path).toEncoded()
                                                   : QFile::encodeName(wallpaper.Path);
    TSettingValues values;
    for (const QByteArray& key : KeysOf(schema.get()))
        values.append({key, key == m_keys.OptionsKey ? Options(wallpaper) : picture});
    return Apply(schema.get(), values);
}

TExactRestore TGSettingsDesktop::RestoreExact(const QByteArray& exact) {
    const std::optional<TDesktopValues> record = DecodeDesktopRecord(Name(), exact);
    const TSchema schema = LookUp(m_keys.Schema);
    if (!record || !schema)
        return TExactRestore::ForeignRecord;
    const QByteArrayList keys = KeysOf(schema.get());
    TSettingValues values;
    for (const QByteArray& key : keys)
        values.append({key, std::nullopt});
    for (const auto& [key, value] : *record) {
        const qsizetype at = keys.indexOf(key);
        if (at < 0)
            return TExactRestore::ForeignRecord; // not a record of these keys
        values[at].second = value;
    }
    return ExactRestoreOf(Apply(schema.get(), values));
}

bool TGSettingsDesktop::Apply(GSettingsSchema* schema, const TSettingValues& values) {
    TSettings settings(Gio()->g_settings_new_full(schema, nullptr, nullptr));
    // One change for the desktop to see: it redraws once, with the new picture and options.
    Gio()->g_settings_delay(settings.get());
    bool written = true;
    for (const auto& [key, value] : values) {
        if (!value) {
            Gio()->g_settings_reset(settings.get(), key.constData());
            continue;
        }
        // A value the key does not allow (a choice the desktop does not know) is refused here
        // rather than by GSettings, which would complain on the terminal.
        GSettingsSchemaKey* schemaKey = Gio()->g_settings_schema_get_key(schema, key.constData());
        GVariant* variant = g_variant_ref_sink(g_variant_new_string(value->constData()));
        const bool allowed = Gio()->g_settings_schema_key_range_check(schemaKey, variant);
        if (!allowed)
            qCWarning(lcWallpaper, "the desktop's setting %s refuses \"%s\"", key.constData(),
                      value->constData());
        written = allowed && Gio()->g_settings_set_value(settings.get(), key.constData(), variant) && written;
        g_variant_unref(variant);
        Gio()->g_settings_schema_key_unref(schemaKey);
    }
    if (!written) {
        Gio()->g_settings_revert(settings.get());
        return false;
    }
    Gio()->g_settings_apply(settings.get());
    Gio()->g_settings_sync();
    return true;
}
