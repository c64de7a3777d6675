#include "platform/desktop/DesktopSwaybg.h"

#include "platform/desktop/DesktopRecord.h"
#include "platform/desktop/RunningPrograms.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QProcess>
#include <QTimer>

namespace {

Q_LOGGING_CATEGORY(lcWallpaper, "lumora.wallpaper")

const QString Program = QStringLiteral("swaybg");
const QByteArray CommandValue = "command";
// How long the previous background keeps running under the new one, so that the output never
// shows the bare compositor between the two.
constexpr int HandOverMilliseconds = 1000;

qint64 StartDetached(const QStringList& command) {
    if (command.isEmpty())
        return 0;
    // It outlives the program, and its chatter is not ours to show.
    QProcess process;
    process.setProgram(command.first());
    process.setArguments(command.mid(1));
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    qint64 pid = 0;
    return process.startDetached(&pid) ? pid : 0;
}

// Ends the session's other swaybg programs: at once when `later` is false, otherwise after the
// hand-over time where an event loop runs.
void StopOthers(const QList<qint64>& keep, bool later) {
    QList<qint64> others;
    for (const TRunningProgram& running : RunningPrograms(Program))
        if (!keep.contains(running.Pid))
            others << running.Pid;
    auto stop = [others] {
        for (const qint64 pid : others)
            StopProgram(pid, Program);
    };
    if (later && QCoreApplication::instance())
        QTimer::singleShot(HandOverMilliseconds, QCoreApplication::instance(), stop);
    else
        stop();
}

} // namespace

TDesktopWallpaper TSwaybgDesktop::WallpaperOf(const QStringList& command) {
    TDesktopWallpaper wallpaper;
    QString mode;
    for (qsizetype at = 1; at + 1 < command.size(); ++at) {
        const QString& option = command[at];
        if ((option == QLatin1String("-i") || option == QLatin1String("--image")) && wallpaper.Path.isEmpty())
            wallpaper.Path = command[at + 1];
        else if ((option == QLatin1String("-m") || option == QLatin1String("--mode")) && mode.isEmpty())
            mode = command[at + 1];
    }
    if (mode == QLatin1String("solid_color"))
        wallpaper.Path.clear();
    wallpaper.Tile = mode == QLatin1String("tile");
    // swaybg stretches a picture given without a mode.
    wallpaper.Stretch = mode.isEmpty() || mode == QLatin1String("stretch") || mode == QLatin1String("fill") ||
                        mode == QLatin1String("fit");
    if (wallpaper.Path.isEmpty())
        wallpaper.Stretch = false;
    return wallpaper;
}

std::optional<TDesktopWallpaper> TSwaybgDesktop::Read() {
    if (m_written)
        return m_written;
    const QList<TRunningProgram> running = RunningPrograms(Program);
    // The newest is drawn above the others.
    return running.isEmpty() ? TDesktopWallpaper{} : WallpaperOf(running.last().Arguments);
}

std::optional<TDesktopSnapshot> TSwaybgDesktop::Snapshot() {
    TDesktopValues values;
    for (const TRunningProgram& running : RunningPrograms(Program))
        values.append({CommandValue, QFile::encodeName(running.Arguments.join(QChar(0)))});
    // Even without any swaybg the record says so, and the restore then says why it cannot help.
    return TDesktopSnapshot{*Read(), EncodeDesktopRecord(Name(), values)};
}

bool TSwaybgDesktop::Write(const TDesktopWallpaper& wallpaper, const TPicture*) {
    // swaybg keeps running, showing nothing, when it cannot read its picture.
    if (wallpaper.Path.isEmpty() || !QFileInfo(wallpaper.Path).isFile())
        return false;
    const QString mode = wallpaper.Tile
                             ? QStringLiteral("tile")
                             : (wallpaper.Stretch ? QStringLiteral("stretch") : QStringLiteral("center"));
    const qint64 pid = StartDetached({Program, QStringLiteral("-o"), QStringLiteral("*"),
                                      QStringLiteral("-i"), wallpaper.Path, QStringLiteral("-m"), mode});
    if (pid == 0)
        return false;
    StopOthers({pid}, true);
    m_written = wallpaper;
    return true;
}

TExactRestore TSwaybgDesktop::RestoreExact(const QByteArray& exact) {
    const std::optional<TDesktopValues> record = DecodeDesktopRecord(Name(), exact);
    if (!record)
        return TExactRestore::ForeignRecord;
    QList<qint64> started;
    for (const auto& [name, value] : *record) {
        const QStringList command = QFile::decodeName(value).split(QChar(0));
        // Only swaybg itself is started again from the settings file, never another program.
        if (name != CommandValue || QFileInfo(command.first()).fileName() != Program)
            return TExactRestore::ForeignRecord;
        if (const qint64 pid = StartDetached(command))
            started << pid;
    }
    StopOthers(started, false);
    m_written.reset();
    if (record->isEmpty())
        qCWarning(lcWallpaper).noquote()
            << "The desktop background before Lumora was not drawn by swaybg, so it cannot be started "
               "again; Lumora's background has been taken away.";
    return ExactRestoreOf(!started.isEmpty() && started.size() == record->size());
}
