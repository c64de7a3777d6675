#include "app/CommandLine.h"

#include "app/StartDelay.h"
#include "platform/ULMRLib.h"

std::optional<QString> InformationAsked(const QStringList& arguments) {
    if (arguments.isEmpty())
        return std::nullopt;
    const QString& first = arguments.first();
    if (first == QLatin1String("--version") || first == QLatin1String("-V"))
        return QStringLiteral("Lumora %1\n").arg(ProgramVersionText({}));
    if (first != QLatin1String("--help") && first != QLatin1String("-h"))
        return std::nullopt;
    return QStringLiteral("Usage: lumora [/d[SECONDS]]\n"
                          "Shows a live webcam as the desktop wallpaper, from the system tray.\n"
                          "\n"
                          "  /d[SECONDS]    wait before starting (%1 seconds when no number follows)\n"
                          "  -h, --help     show this text and end\n"
                          "  -V, --version  show the version and end\n"
                          "\n"
                          "Only one Lumora runs per user; a second start shows its window.\n"
                          "See lumora(1) for the settings of the environment.\n")
        .arg(DefaultStartDelaySeconds);
}
