#include "platform/desktop/DesktopHyprpaper.h"

#include "platform/desktop/DesktopRecord.h"

#include <QFileInfo>

namespace {

const QString Tool = QStringLiteral("hyprctl");

// hyprctl hands the rest of the line over as one request, so a line break would start another.
bool Sendable(const QString& text) {
    return !text.contains(u'\n') && !text.contains(u'\r');
}

} // namespace

THyprpaperDesktop::THyprpaperDesktop(TDesktopCommandRunner runner)
    : m_run(std::move(runner)) {}

bool THyprpaperDesktop::Ask(const QString& request, const QString& argument) {
    const std::optional<QByteArray> reply = m_run(Tool, {QStringLiteral("hyprpaper"), request, argument});
    return reply && reply->trimmed() == "ok";
}

std::optional<THyprpaperDesktop::TActive> THyprpaperDesktop::Active() {
    const std::optional<QByteArray> reply =
        m_run(Tool, {QStringLiteral("hyprpaper"), QStringLiteral("listactive")});
    if (!reply)
        return std::nullopt;
    TActive active;
    for (const QByteArray& line : reply->split('\n')) {
        const qsizetype equals = line.indexOf(" = ");
        if (equals >= 0)
            active.append({QString::fromUtf8(line.left(equals).trimmed()),
                           QString::fromUtf8(line.mid(equals + 3).trimmed())});
    }
    return active;
}

std::optional<TDesktopWallpaper> THyprpaperDesktop::Read() {
    if (m_written)
        return m_written;
    const std::optional<TActive> active = Active();
    if (!active)
        return std::nullopt;
    if (active->isEmpty())
        return TDesktopWallpaper{};
    // hyprpaper's own layout covers the monitor.
    return TDesktopWallpaper{active->first().second, false, true};
}

std::optional<TDesktopSnapshot> THyprpaperDesktop::Snapshot() {
    const std::optional<TActive> active = Active();
    if (!active)
        return std::nullopt;
    TDesktopValues values;
    for (const auto& [monitor, file] : *active)
        values.append({monitor.toUtf8(), QFile::encodeName(file)});
    TDesktopWallpaper shown;
    if (!active->isEmpty())
        shown = {active->first().second, false, true};
    return TDesktopSnapshot{m_written.value_or(shown), EncodeDesktopRecord(Name(), values)};
}

bool THyprpaperDesktop::Show(const QString& monitor, const QString& file, const QString& mode) {
    // A picture loaded already (the user's, on another monitor) need not load again: the answer
    // to "wallpaper" decides.
    Ask(QStringLiteral("preload"), file);
    return Ask(QStringLiteral("wallpaper"), monitor + u',' + mode + file);
}

bool THyprpaperDesktop::Write(const TDesktopWallpaper& wallpaper, const TPicture*) {
    if (wallpaper.Path.isEmpty() || !Sendable(wallpaper.Path) || !QFileInfo(wallpaper.Path).isFile())
        return false;
    const QString mode = wallpaper.Tile ? QStringLiteral("tile:")
                                        : (wallpaper.Stretch ? QString() : QStringLiteral("contain:"));
    // Our bitmap of the same name may still be loaded from an earlier picture; hyprpaper would
    // show that one again. An empty monitor name is every monitor.
    Ask(QStringLiteral("unload"), wallpaper.Path);
    if (!Show(QString(), wallpaper.Path, mode))
        return false;
    if (m_written && m_written->Path != wallpaper.Path)
        Ask(QStringLiteral("unload"), m_written->Path);
    m_written = wallpaper;
    return true;
}

TExactRestore THyprpaperDesktop::RestoreExact(const QByteArray& exact) {
    const std::optional<TDesktopValues> record = DecodeDesktopRecord(Name(), exact);
    if (!record || record->isEmpty())
        return TExactRestore::ForeignRecord;
    for (const auto& [monitor, file] : *record)
        if (!Sendable(QString::fromUtf8(monitor)) || monitor.contains(',') ||
            !Sendable(QFile::decodeName(file)))
            return TExactRestore::ForeignRecord;
    bool restored = true;
    for (const auto& [monitor, file] : *record)
        restored = Show(QString::fromUtf8(monitor), QFile::decodeName(file), QString()) && restored;
    // Lumora's pictures are no longer shown anywhere.
    Ask(QStringLiteral("unload"), QStringLiteral("unused"));
    m_written.reset();
    return ExactRestoreOf(restored);
}
