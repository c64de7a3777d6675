#pragma once

#include <optional>

// The general values under the settings key. Each is read only when stored, so that a value the
// key lacks leaves the program's current one in place.
struct TGeneralSettings {
    std::optional<bool> Active;
    std::optional<bool> ShowMessages;
    std::optional<int> Language;
    std::optional<bool> Stretch;
};

// Nothing when the settings key does not exist; loading never creates it.
std::optional<TGeneralSettings> LoadGeneralSettings();

// Writes Stretch, Active, ShowMessages and Language, in this order, when the key exists; saving
// never creates it. False when the key is missing or could not be written.
bool SaveGeneralSettings(bool stretch, bool active, bool showMessages, int language);

// True while no cam has ever been committed: the stored URL is missing or empty. Creates the key
// when it is missing; a key that cannot be opened also counts as a first run.
bool IsFirstRun();
