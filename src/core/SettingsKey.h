#pragma once

#include "core/SettingsSchema.h"

#include <QByteArray>
#include <QString>
#include <memory>
#include <optional>
#include <type_traits>

class QSettings;

// The program's per-user settings key. On Linux it is an INI file,
// $XDG_CONFIG_HOME/Lumora/Lumora.conf, with the values at its top level; the key exists exactly
// when the file exists. Integers (and Booleans, as 0 and 1) are stored as integers, strings as
// strings, and a string value reads back byte for byte whatever its bytes. Every open reads the file afresh
// and every write reaches the file before the key is closed, so settings are never cached between two uses.
class TSettingsKey {
public:
    enum class OpenMode { Existing, CreateIfMissing };

    // Opens the key; empty when it does not exist (Existing) or cannot be created.
    static std::optional<TSettingsKey> Open(OpenMode mode = OpenMode::Existing);
    static bool Exists();
    static QString FilePath();

    TSettingsKey(TSettingsKey&&) noexcept;
    TSettingsKey& operator=(TSettingsKey&&) noexcept;
    ~TSettingsKey();

    bool ValueExists(const QString& name) const;
    // Empty when the value is missing or is not an integer.
    std::optional<int> ReadInteger(const QString& name) const;
    std::optional<bool> ReadBool(const QString& name) const;
    // Empty when the value is missing.
    std::optional<QByteArray> ReadString(const QString& name) const;

    void WriteInteger(const QString& name, int value);
    void WriteBool(const QString& name, bool value);
    void WriteString(const QString& name, const QByteArray& value);
    void DeleteValue(const QString& name);

    // A value of the schema (SettingsSchema.h): empty when it is missing or of another type.
    template <class T> std::optional<T> Read(const TSetting<T>& setting) const {
        if constexpr (std::is_same_v<T, bool>)
            return ReadBool(setting.Key());
        else if constexpr (std::is_same_v<T, int>)
            return ReadInteger(setting.Key());
        else
            return ReadString(setting.Key());
    }
    // That value, or what a missing one stands for.
    template <class T> T ReadOr(const TSetting<T>& setting) const {
        return Read(setting).value_or(setting.Default);
    }
    template <class T> void Write(const TSetting<T>& setting, const std::type_identity_t<T>& value) {
        if constexpr (std::is_same_v<T, bool>)
            WriteBool(setting.Key(), value);
        else if constexpr (std::is_same_v<T, int>)
            WriteInteger(setting.Key(), value);
        else
            WriteString(setting.Key(), value);
    }
    template <class T> void Delete(const TSetting<T>& setting) { DeleteValue(setting.Key()); }

    // Writes pending changes to the file; false when the file could not be written.
    bool Close();

private:
    explicit TSettingsKey(std::unique_ptr<QSettings> settings);
    std::unique_ptr<QSettings> m_settings;
};
