#include "platform/Autostart.h"

#include "core/AtomicFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

QString AutostartEntryPath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/autostart/lumora.desktop");
}

bool IsRunOnStartup() {
    return QFileInfo::exists(AutostartEntryPath());
}

QString DesktopExecArgument(const QString& argument) {
    // Field codes start with "%": a literal one is written twice, quoted or not.
    QString text = argument;
    text.replace(QLatin1Char('%'), QStringLiteral("%%"));
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    const bool needsQuotes =
        text.isEmpty() || std::any_of(text.begin(), text.end(), [](QChar c) { return reserved.contains(c); });
    if (!needsQuotes)
        return text;
    QString quoted;
    for (const QChar c : text) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') || c == QLatin1Char('\\'))
            quoted += QLatin1Char('\\');
        quoted += c;
    }
    // The entry file's own escape rules apply on top of the Exec quoting: each "\" is written twice.
    quoted.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QByteArray AutostartEntryText(const QString& programPath) {
    QByteArray text;
    text += "[Desktop Entry]\n";
    text += "Type=Application\n";
    text += "Name=Lumora\n";
    text += "Comment=Live webcam pictures as the desktop wallpaper\n";
    text += "Exec=" + DesktopExecArgument(programPath).toUtf8() + " /d40\n";
    text += "Icon=lumora\n";
    text += "Terminal=false\n";
    text += "X-GNOME-Autostart-enabled=true\n";
    return text;
}

QString SetRunOnStartup(bool on, const QString& programPath) {
    const QString path = AutostartEntryPath();
    if (!on) {
        if (QFileInfo::exists(path) && !QFile::remove(path))
            return QStringLiteral("cannot remove %1").arg(path);
        return {};
    }
    // A fresh account has no autostart folder yet; the entry needs one.
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return QStringLiteral("cannot create the folder of %1").arg(path);
    return WriteFileAtomically(path, AutostartEntryText(programPath));
}
