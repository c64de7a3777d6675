#include "platform/desktop/DesktopCommand.h"

#include "core/LogCategories.h"

#include <QProcess>

std::optional<QByteArray> RunDesktopCommand(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.setProcessChannelMode(QProcess::SeparateChannels);
    process.start(program, arguments, QIODevice::ReadOnly);
    if (!process.waitForStarted(5000)) {
        qCWarning(lcWallpaper, "desktop tool %s cannot be run: %s", qPrintable(program),
                  qPrintable(process.errorString()));
        return std::nullopt;
    }
    if (!process.waitForFinished(10000)) {
        qCWarning(lcWallpaper, "desktop tool %s did not finish in time", qPrintable(program));
        process.kill();
        process.waitForFinished(1000);
        return std::nullopt;
    }
    // A tool that ends with an error is an answer (xfconf-query asked for a property that is not
    // set); only a crash is worth telling here.
    if (process.exitStatus() != QProcess::NormalExit) {
        qCWarning(lcWallpaper, "desktop tool %s crashed", qPrintable(program));
        return std::nullopt;
    }
    if (process.exitCode() != 0)
        return std::nullopt;
    return process.readAllStandardOutput();
}
