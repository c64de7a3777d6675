#pragma once

#include "core/SettingsKey.h"

// The settings key as an earlier run left it: an active program whose active cam is `url`, shown
// every `refresh` seconds. Written value by value, as a file from any version would hold them.
struct TStoredSettings {
    QByteArray Url;
    QByteArray Name;
    int RefID = 1;
    int Refresh = 1;
    bool ShowMessages = false;
    bool Stretch = true;

    bool Store() const {
        std::optional<TSettingsKey> key = TSettingsKey::Open(TSettingsKey::OpenMode::CreateIfMissing);
        if (!key)
            return false;
        key->Write(Settings::CamURL, Url);
        key->Write(Settings::CamName, Name);
        key->Write(Settings::CamRefID, RefID);
        key->Write(Settings::CamRefresh, Refresh);
        key->Write(Settings::Active, true);
        key->Write(Settings::ShowMessages, ShowMessages);
        key->Write(Settings::Stretch, Stretch);
        return key->Close();
    }
};
