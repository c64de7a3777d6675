#include "platform/desktop/DesktopPcmanfm.h"

#include "core/LogCategories.h"
#include "platform/desktop/DesktopRecord.h"
#include "platform/desktop/RunningPrograms.h"

#include <QFile>
#include <QSettings>
#include <QStandardPaths>
#include <glib.h>

namespace {

const QByteArray WallpaperValue = "wallpaper";
const QByteArray ModeValue = "mode";

std::optional<QString> ReadKeyFile(const QString& path, const QString& group, const QString& key) {
    GKeyFile* file = g_key_file_new();
    std::optional<QString> value;
    if (g_key_file_load_from_file(file, QFile::encodeName(path).constData(), G_KEY_FILE_NONE, nullptr)) {
        gchar* text =
            g_key_file_get_string(file, group.toUtf8().constData(), key.toUtf8().constData(), nullptr);
        if (text)
            value = QString::fromUtf8(text);
        g_free(text);
    }
    g_key_file_free(file);
    return value;
}

} // namespace

TPcmanfmFlavour TPcmanfmFlavour::Lxqt() {
    return {QStringLiteral("lxqt"),
            QStringLiteral("pcmanfm-qt"),
            QStringLiteral("lxqt"),
            {{QStringLiteral("pcmanfm-qt/%1/settings.conf"), QStringLiteral("Desktop")}},
            true,
            QStringLiteral("Wallpaper"),
            QStringLiteral("WallpaperMode"),
            {"color", "stretch", "fit", "center", "tile", "zoom"},
            {"stretch", "fit", "zoom"},
            "center",
            "tile",
            "stretch"};
}

TPcmanfmFlavour TPcmanfmFlavour::Lxde() {
    // Each monitor's desktop has its own file; the first monitor's speaks for the desktop. Older
    // releases keep the same keys in the profile's main file.
    return {QStringLiteral("lxde"),
            QStringLiteral("pcmanfm"),
            QStringLiteral("LXDE"),
            {{QStringLiteral("pcmanfm/%1/desktop-items-0.conf"), QStringLiteral("*")},
             {QStringLiteral("pcmanfm/%1/pcmanfm.conf"), QStringLiteral("desktop")}},
            false,
            QStringLiteral("wallpaper"),
            QStringLiteral("wallpaper_mode"),
            {"color", "stretch", "fit", "crop", "center", "tile", "screen"},
            {"stretch", "fit", "crop", "screen"},
            "center",
            "tile",
            "stretch"};
}

TPcmanfmDesktop::TPcmanfmDesktop(TPcmanfmFlavour flavour, TDesktopCommandRunner runner)
    : m_flavour(std::move(flavour))
    , m_run(std::move(runner)) {}

QString PcmanfmProfileOf(const QStringList& arguments) {
    // Both programs take "--profile=NAME", "--profile NAME", "-p NAME" and "-pNAME".
    for (qsizetype at = 1; at < arguments.size(); ++at) {
        const QString& argument = arguments[at];
        if (argument == QLatin1String("--"))
            break;
        if (argument.startsWith(QLatin1String("--profile=")))
            return argument.mid(10);
        if ((argument == QLatin1String("--profile") || argument == QLatin1String("-p")) &&
            at + 1 < arguments.size())
            return arguments[at + 1];
        if (argument.startsWith(QLatin1String("-p")) && !argument.startsWith(QLatin1String("--")) &&
            argument.size() > 2)
            return argument.mid(2);
    }
    return QStringLiteral("default");
}

QString TPcmanfmDesktop::Profile() {
    for (const TRunningProgram& running : RunningPrograms(m_flavour.Program))
        if (running.Arguments.contains(QLatin1String("--desktop"))) {
            m_saidNoDesktop = false;
            return PcmanfmProfileOf(running.Arguments);
        }
    if (!m_saidNoDesktop) {
        qCWarning(lcWallpaper, "No %s draws the desktop; its settings are taken from the profile \"%s\"",
                  qPrintable(m_flavour.Program), qPrintable(m_flavour.Profile));
        m_saidNoDesktop = true;
    }
    return m_flavour.Profile;
}

TPcmanfmDesktop::TOwn TPcmanfmDesktop::ReadSettings() {
    const QString profile = Profile();
    for (const auto& [name, group] : m_flavour.Sources) {
        const QString path = QStandardPaths::locate(QStandardPaths::GenericConfigLocation, name.arg(profile));
        if (path.isEmpty())
            continue;
        if (m_flavour.QtSettingsFile) {
            const QSettings settings(path, QSettings::IniFormat);
            return {settings.value(group + u'/' + m_flavour.WallpaperKey).toString(),
                    settings.value(group + u'/' + m_flavour.ModeKey).toString().toUtf8()};
        }
        const std::optional<QString> mode = ReadKeyFile(path, group, m_flavour.ModeKey);
        const std::optional<QString> wallpaper = ReadKeyFile(path, group, m_flavour.WallpaperKey);
        if (mode || wallpaper)
            return {wallpaper.value_or(QString()), mode.value_or(QString()).toUtf8()};
    }
    return {};
}

std::optional<TDesktopWallpaper> TPcmanfmDesktop::Read() {
    const TOwn own = ReadSettings();
    TDesktopWallpaper wallpaper;
    if (own.Mode != m_flavour.Modes.first()) // a plain colour shows no picture
        wallpaper.Path = own.Wallpaper;
    wallpaper.Tile = own.Mode == m_flavour.Tiled;
    wallpaper.Stretch = m_flavour.FillingModes.contains(own.Mode);
    return wallpaper;
}

std::optional<TDesktopSnapshot> TPcmanfmDesktop::Snapshot() {
    const TOwn own = ReadSettings();
    TDesktopValues values;
    if (!own.Wallpaper.isEmpty())
        values.append({WallpaperValue, QFile::encodeName(own.Wallpaper)});
    if (m_flavour.Modes.contains(own.Mode))
        values.append({ModeValue, own.Mode});
    return TDesktopSnapshot{*Read(), EncodeDesktopRecord(Name(), values)};
}

bool TPcmanfmDesktop::Write(const TDesktopWallpaper& wallpaper, const TPicture*) {
    if (wallpaper.Path.isEmpty())
        return false;
    const QByteArray mode =
        wallpaper.Tile ? m_flavour.Tiled : (wallpaper.Stretch ? m_flavour.Stretched : m_flavour.Centred);
    return Run(wallpaper.Path, mode);
}

TExactRestore TPcmanfmDesktop::RestoreExact(const QByteArray& exact) {
    const std::optional<TDesktopValues> record = DecodeDesktopRecord(Name(), exact);
    if (!record)
        return TExactRestore::ForeignRecord;
    TOwn own;
    for (const auto& [name, value] : *record) {
        if (name == WallpaperValue)
            own.Wallpaper = QFile::decodeName(value);
        else if (name == ModeValue && m_flavour.Modes.contains(value))
            own.Mode = value;
        else
            return TExactRestore::ForeignRecord; // not a record this backend made
    }
    // Without a mode the desktop had never been set: the remembered values are all there is.
    if (own.Mode.isEmpty())
        return TExactRestore::ForeignRecord;
    return ExactRestoreOf(Run(own.Wallpaper, own.Mode));
}

bool TPcmanfmDesktop::Run(const QString& wallpaper, const QByteArray& mode) {
    // One argument per option, joined by "=", so that a file name starting with "-" stays a name.
    QStringList arguments{QStringLiteral("--profile=") + Profile()};
    if (!wallpaper.isEmpty())
        arguments << QStringLiteral("--set-wallpaper=") + wallpaper;
    arguments << QStringLiteral("--wallpaper-mode=") + QString::fromUtf8(mode);
    return m_run(m_flavour.Program, arguments).has_value();
}
