#include "core/SettingsKey.h"

#include "core/AbandonedLockFile.h"
#include "core/DisplayText.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

QString TSettingsKey::FilePath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Lumora/Lumora.conf");
}

bool TSettingsKey::Exists() {
    return QFileInfo(FilePath()).isFile();
}

std::optional<TSettingsKey> TSettingsKey::Open(OpenMode mode) {
    const QString path = FilePath();
    if (!QFileInfo(path).isFile()) {
        if (mode == OpenMode::Existing)
            return std::nullopt;
        // Creating the key creates its (empty) file, so that it exists before any value is written.
        if (!QDir().mkpath(QFileInfo(path).absolutePath()))
            return std::nullopt;
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
            return std::nullopt;
    }
    auto settings = std::make_unique<QSettings>(path, QSettings::IniFormat);
    // Each write goes to a new file that replaces the old one whole, so that a program killed while
    // saving leaves the previous settings. Qt does so by default; the key depends on it.
    settings->setAtomicSyncRequired(true);
    if (settings->status() != QSettings::NoError)
        return std::nullopt;
    return TSettingsKey(std::move(settings));
}

TSettingsKey::TSettingsKey(std::unique_ptr<QSettings> settings)
    : m_settings(std::move(settings)) {}

TSettingsKey::TSettingsKey(TSettingsKey&&) noexcept = default;
TSettingsKey& TSettingsKey::operator=(TSettingsKey&&) noexcept = default;
TSettingsKey::~TSettingsKey() {
    Close();
}

bool TSettingsKey::ValueExists(const QString& name) const {
    return m_settings && m_settings->contains(name);
}

std::optional<int> TSettingsKey::ReadInteger(const QString& name) const {
    if (!ValueExists(name))
        return std::nullopt;
    bool ok = false;
    const int value = m_settings->value(name).toInt(&ok);
    if (!ok)
        return std::nullopt;
    return value;
}

std::optional<bool> TSettingsKey::ReadBool(const QString& name) const {
    const std::optional<int> value = ReadInteger(name);
    if (!value)
        return std::nullopt;
    return *value != 0;
}

std::optional<QByteArray> TSettingsKey::ReadString(const QString& name) const {
    if (!ValueExists(name))
        return std::nullopt;
    const QVariant value = m_settings->value(name);
    if (value.typeId() == QMetaType::QByteArray)
        return value.toByteArray();
    return value.toString().toUtf8();
}

void TSettingsKey::WriteInteger(const QString& name, int value) {
    m_settings->setValue(name, value);
}

void TSettingsKey::WriteBool(const QString& name, bool value) {
    WriteInteger(name, value ? 1 : 0);
}

void TSettingsKey::WriteString(const QString& name, const QByteArray& value) {
    // Values are bytes. UTF-8 text (ASCII above all) is kept as readable text; any other bytes are
    // kept as a byte array, which the file holds escaped, so every value reads back byte for byte.
    if (IsUtf8(value))
        m_settings->setValue(name, QString::fromUtf8(value));
    else
        m_settings->setValue(name, value);
}

void TSettingsKey::DeleteValue(const QString& name) {
    m_settings->remove(name);
}

bool TSettingsKey::Close() {
    if (!m_settings)
        return true;
    // QSettings locks the file with "<file>.lock" while it writes.
    RemoveAbandonedLockFile(m_settings->fileName() + QStringLiteral(".lock"));
    m_settings->sync();
    const bool written = m_settings->status() == QSettings::NoError;
    m_settings.reset();
    return written;
}
