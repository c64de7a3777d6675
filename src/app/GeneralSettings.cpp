#include "app/GeneralSettings.h"

#include "core/SettingsKey.h"

std::optional<TGeneralSettings> LoadGeneralSettings() {
    const std::optional<TSettingsKey> key = TSettingsKey::Open(TSettingsKey::OpenMode::Existing);
    if (!key)
        return std::nullopt;
    TGeneralSettings settings;
    settings.Active = key->ReadBool(QStringLiteral("Active"));
    settings.ShowMessages = key->ReadBool(QStringLiteral("ShowMessages"));
    settings.Language = key->ReadInteger(QStringLiteral("Language"));
    settings.Stretch = key->ReadBool(QStringLiteral("Stretch"));
    return settings;
}

bool SaveGeneralSettings(bool stretch, bool active, bool showMessages, int language) {
    std::optional<TSettingsKey> key = TSettingsKey::Open(TSettingsKey::OpenMode::Existing);
    if (!key)
        return false;
    key->WriteBool(QStringLiteral("Stretch"), stretch);
    key->WriteBool(QStringLiteral("Active"), active);
    key->WriteBool(QStringLiteral("ShowMessages"), showMessages);
    key->WriteInteger(QStringLiteral("Language"), language);
    return key->Close();
}

bool IsFirstRun() {
    const std::optional<TSettingsKey> key = TSettingsKey::Open(TSettingsKey::OpenMode::CreateIfMissing);
    if (!key)
        return true;
    return key->ReadString(QStringLiteral("URL")).value_or(QByteArray()).isEmpty();
}
