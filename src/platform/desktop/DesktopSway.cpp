#include "platform/desktop/DesktopSway.h"

#include "platform/desktop/DesktopRecord.h"

#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

namespace {

const QString Tool = QStringLiteral("swaymsg");
const QStringList FillingModes{QStringLiteral("stretch"), QStringLiteral("fill"), QStringLiteral("fit")};

} // namespace

TSwayDesktop::TSwayDesktop(TDesktopCommandRunner runner)
    : m_run(std::move(runner)) {}

QString TSwayDesktop::Quoted(const QString& path) {
    // sway also folds two spaces into one.
    static const QRegularExpression unsafe(QStringLiteral("['\"\\\\\\n\\r]|  "));
    if (path.isEmpty() || path.contains(unsafe))
        return {};
    // Double quotes keep the name one word for the command parser; single quotes keep the word
    // expansion sway applies to file names from expanding "$", "~" or "`".
    return QStringLiteral("\"'") + path + QStringLiteral("'\"");
}

std::optional<QList<TSwayDesktop::TBackground>> TSwayDesktop::ConfiguredBackgrounds() {
    const std::optional<QByteArray> reply =
        m_run(Tool, {QStringLiteral("-r"), QStringLiteral("-t"), QStringLiteral("get_config")});
    if (!reply)
        return std::nullopt;
    const QJsonDocument document = QJsonDocument::fromJson(*reply);
    if (!document.isObject())
        return std::nullopt;
    static const QRegularExpression line(
        QStringLiteral("^\\s*output\\s+(\\S+)\\s+(?:bg|background)\\s+(\\S.*?)\\s*$"));
    QList<TBackground> backgrounds;
    for (const QString& text : document.object().value(QStringLiteral("config")).toString().split(u'\n'))
        if (const QRegularExpressionMatch match = line.match(text); match.hasMatch())
            backgrounds.append({match.captured(1), match.captured(2)});
    return backgrounds;
}

std::optional<TDesktopWallpaper> TSwayDesktop::Read() {
    if (m_written)
        return m_written;
    const std::optional<QList<TBackground>> backgrounds = ConfiguredBackgrounds();
    if (!backgrounds)
        return std::nullopt;
    TDesktopWallpaper wallpaper;
    if (backgrounds->isEmpty())
        return wallpaper;
    // The last line for all outputs wins, as in sway; otherwise the first output's.
    TBackground shown = backgrounds->first();
    for (const TBackground& background : *backgrounds)
        if (background.Outputs == u'*')
            shown = background;
    static const QRegularExpression fileAndMode(QStringLiteral("^\"?'?(.*?)'?\"?\\s+(\\w+)(\\s+#\\w+)?$"));
    const QRegularExpressionMatch match = fileAndMode.match(shown.Background);
    if (!match.hasMatch() || match.captured(2) == QLatin1String("solid_color"))
        return wallpaper;
    wallpaper.Path = match.captured(1);
    wallpaper.Tile = match.captured(2) == QLatin1String("tile");
    wallpaper.Stretch = FillingModes.contains(match.captured(2));
    return wallpaper;
}

std::optional<TDesktopSnapshot> TSwayDesktop::Snapshot() {
    const std::optional<QList<TBackground>> backgrounds = ConfiguredBackgrounds();
    if (!backgrounds)
        return std::nullopt;
    TDesktopValues values;
    for (const TBackground& background : *backgrounds)
        values.append({background.Outputs.toUtf8(), background.Background.toUtf8()});
    return TDesktopSnapshot{*Read(), EncodeDesktopRecord(Name(), values)};
}

bool TSwayDesktop::Write(const TDesktopWallpaper& wallpaper, const TPicture*) {
    // sway takes a file it cannot open as success and shows nothing.
    const QString file = Quoted(wallpaper.Path);
    if (file.isEmpty() || !QFileInfo(wallpaper.Path).isFile())
        return false;
    const QString mode = wallpaper.Tile
                             ? QStringLiteral("tile")
                             : (wallpaper.Stretch ? QStringLiteral("stretch") : QStringLiteral("center"));
    if (!Set(QStringLiteral("*"), file + u' ' + mode))
        return false;
    m_written = wallpaper;
    return true;
}

TExactRestore TSwayDesktop::RestoreExact(const QByteArray& exact) {
    const std::optional<TDesktopValues> record = DecodeDesktopRecord(Name(), exact);
    // A configuration without a background line leaves nothing to put back but the three values.
    if (!record || record->isEmpty())
        return TExactRestore::ForeignRecord;
    static const QRegularExpression outputName(QStringLiteral("^(\\*|[\\w.:-]+)$"));
    bool restored = true;
    for (const auto& [outputs, background] : *record) {
        // A line break would end the command and start another.
        if (!outputName.match(QString::fromUtf8(outputs)).hasMatch() || background.contains('\n') ||
            background.contains(';') || background.contains(','))
            return TExactRestore::ForeignRecord;
        restored = Set(QString::fromUtf8(outputs), QString::fromUtf8(background)) && restored;
    }
    m_written.reset();
    return ExactRestoreOf(restored);
}

bool TSwayDesktop::Set(const QString& outputs, const QString& background) {
    // swaymsg joins its arguments into one command and fails when sway refuses it.
    return m_run(Tool, {QStringLiteral("output"), outputs, QStringLiteral("bg"), background}).has_value();
}
