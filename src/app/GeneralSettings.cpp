#include "app/GeneralSettings.h"

#include "core/SettingsKey.h"

std::optional<TGeneralSettings> LoadGeneralSettings() {
    const std::optional<TSettingsKey> key = TSettingsKey::Open(TSettingsKey::OpenMode::Existing);
    if (!key)
        return std::nullopt;
    TGeneralSettings settings;
    settings.Active = key->Read(Settings::Active);
    settings.ShowMessages = key->Read(Settings::ShowMessages);
    settings.Language = key->Read(Settings::Language);
    settings.Stretch = key->Read(Settings::Stretch);
    return settings;
}

bool SaveGeneralSettings(bool stretch, bool active, bool showMessages, int language) {
    std::optional<TSettingsKey> key = TSettingsKey::Open(TSettingsKey::OpenMode::Existing);
    if (!key)
        return false;
    key->Write(Settings::Stretch, stretch);
    key->Write(Settings::Active, active);
    key->Write(Settings::ShowMessages, showMessages);
    key->Write(Settings::Language, language);
    return key->Close();
}

bool IsFirstRun() {
    const std::optional<TSettingsKey> key = TSettingsKey::Open(TSettingsKey::OpenMode::CreateIfMissing);
    if (!key)
        return true;
    return key->ReadOr(Settings::CamURL).isEmpty();
}
