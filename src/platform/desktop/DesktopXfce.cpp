#include "platform/desktop/DesktopXfce.h"

#include "platform/desktop/DesktopRecord.h"

#include <QFile>
#include <QGuiApplication>
#include <QScreen>
#include <algorithm>

namespace {

const QString Tool = QStringLiteral("xfconf-query");
const QStringList Channel{QStringLiteral("-c"), QStringLiteral("xfce4-desktop")};
const QByteArray ImageSuffix = "/last-image";
const QByteArray StyleSuffix = "/image-style";

QByteArray StylePropertyOf(const QByteArray& imageProperty) {
    return imageProperty.left(imageProperty.size() - ImageSuffix.size()) + StyleSuffix;
}

QByteArray WithoutLineEnd(QByteArray text) {
    if (text.endsWith('\n'))
        text.chop(1);
    return text;
}

// The monitors as xfdesktop names them, after the screens' connectors.
QByteArrayList MonitorNames() {
    QByteArrayList monitors;
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        for (const QScreen* screen : QGuiApplication::screens())
            monitors << screen->name().toUtf8();
    if (monitors.isEmpty())
        monitors << "0";
    return monitors;
}

// A desktop that never had a wallpaper set has no backdrop properties yet: make them for the
// first workspace of every monitor.
QByteArrayList NewImageProperties(const QByteArrayList& monitors) {
    QByteArrayList properties;
    for (const QByteArray& monitor : monitors)
        properties << "/backdrop/screen0/monitor" + monitor + "/workspace0" + ImageSuffix;
    return properties;
}

} // namespace

TXfceDesktop::TXfceDesktop(TDesktopCommandRunner runner)
    : m_run(std::move(runner))
    , m_monitors(MonitorNames()) {}

int TXfceDesktop::ImageStyle(const TDesktopWallpaper& wallpaper) {
    if (wallpaper.Tile)
        return 2;
    return wallpaper.Stretch ? 3 : 1;
}

std::optional<QByteArrayList> TXfceDesktop::Properties() {
    const std::optional<QByteArray> listing = m_run(Tool, Channel + QStringList{QStringLiteral("-l")});
    if (!listing)
        return std::nullopt;
    QByteArrayList properties = listing->split('\n');
    properties.removeAll(QByteArray());
    std::sort(properties.begin(), properties.end());
    return properties;
}

std::optional<QByteArray> TXfceDesktop::Query(const QByteArray& property) {
    const std::optional<QByteArray> value =
        m_run(Tool, Channel + QStringList{QStringLiteral("-p"), QString::fromUtf8(property)});
    if (!value)
        return std::nullopt;
    return WithoutLineEnd(*value);
}

bool TXfceDesktop::Set(const QByteArray& property, const QByteArray& type, const QByteArray& value,
                       bool exists) {
    QStringList arguments = Channel + QStringList{QStringLiteral("-p"), QString::fromUtf8(property)};
    if (!exists)
        arguments << QStringLiteral("-n") << QStringLiteral("-t") << QString::fromUtf8(type);
    arguments << QStringLiteral("-s") << QString::fromUtf8(value);
    return m_run(Tool, arguments).has_value();
}

std::optional<QMap<QByteArray, TXfceDesktop::TBackdrop>>
TXfceDesktop::Backdrops(const QByteArrayList& properties) {
    QMap<QByteArray, TBackdrop> backdrops;
    for (const QByteArray& property : properties) {
        if (!property.endsWith(ImageSuffix))
            continue;
        const std::optional<QByteArray> image = Query(property);
        if (!image)
            return std::nullopt;
        TBackdrop backdrop{*image, std::nullopt};
        if (properties.contains(StylePropertyOf(property))) {
            bool number = false;
            const int style = Query(StylePropertyOf(property)).value_or(QByteArray()).toInt(&number);
            if (number)
                backdrop.Style = style;
        }
        backdrops.insert(property, backdrop);
    }
    return backdrops;
}

TDesktopWallpaper TXfceDesktop::WallpaperOf(const QMap<QByteArray, TBackdrop>& backdrops) {
    TDesktopWallpaper wallpaper;
    if (!backdrops.isEmpty()) {
        // The first monitor's first workspace speaks for the desktop.
        const TBackdrop& first = backdrops.first();
        wallpaper.Path = QFile::decodeName(first.Image);
        const int style = first.Style.value_or(3);
        wallpaper.Tile = style == 2;
        wallpaper.Stretch = style >= 3;
    }
    return wallpaper;
}

std::optional<TDesktopWallpaper> TXfceDesktop::Read() {
    const std::optional<TDesktopSnapshot> snapshot = Snapshot();
    if (!snapshot)
        return std::nullopt;
    return snapshot->Wallpaper;
}

std::optional<TDesktopSnapshot> TXfceDesktop::Snapshot() {
    const std::optional<QByteArrayList> properties = Properties();
    if (!properties)
        return std::nullopt;
    const std::optional<QMap<QByteArray, TBackdrop>> backdrops = Backdrops(*properties);
    if (!backdrops)
        return std::nullopt;
    TDesktopValues values;
    for (auto at = backdrops->cbegin(); at != backdrops->cend(); ++at) {
        values.append({at.key(), at->Image});
        if (at->Style)
            values.append({StylePropertyOf(at.key()), QByteArray::number(*at->Style)});
    }
    return TDesktopSnapshot{WallpaperOf(*backdrops), EncodeDesktopRecord(Name(), values)};
}

bool TXfceDesktop::Write(const TDesktopWallpaper& wallpaper, const TPicture*) {
    const std::optional<QByteArrayList> properties = Properties();
    if (!properties)
        return false;
    QMap<QByteArray, TBackdrop> backdrops;
    const TBackdrop same{QFile::encodeName(wallpaper.Path), ImageStyle(wallpaper)};
    for (const QByteArray& property : *properties)
        if (property.endsWith(ImageSuffix))
            backdrops.insert(property, same);
    if (backdrops.isEmpty())
        for (const QByteArray& property : NewImageProperties(m_monitors))
            backdrops.insert(property, same);
    return !backdrops.isEmpty() && SetBackdrops(backdrops, *properties);
}

TExactRestore TXfceDesktop::RestoreExact(const QByteArray& exact) {
    const std::optional<TDesktopValues> record = DecodeDesktopRecord(Name(), exact);
    if (!record)
        return TExactRestore::ForeignRecord;
    QMap<QByteArray, TBackdrop> backdrops;
    for (const auto& [property, value] : *record) {
        // Only backdrop values: a damaged settings file must not reach other properties.
        if (!property.startsWith("/backdrop/"))
            return TExactRestore::ForeignRecord;
        if (property.endsWith(ImageSuffix)) {
            backdrops[property].Image = value;
            continue;
        }
        const QByteArray image = property.left(property.size() - StyleSuffix.size()) + ImageSuffix;
        bool number = false;
        const int style = value.toInt(&number);
        if (!property.endsWith(StyleSuffix) || !number || !backdrops.contains(image))
            return TExactRestore::ForeignRecord;
        backdrops[image].Style = style;
    }
    const std::optional<QByteArrayList> properties = Properties();
    if (!properties)
        return TExactRestore::NotRestored;
    bool restored = SetBackdrops(backdrops, *properties);
    // What did not exist then is taken away again: a style the user never set, and the backdrops
    // of monitors and workspaces that were made since.
    for (const QByteArray& property : *properties) {
        const bool image = property.endsWith(ImageSuffix);
        if (!image && !property.endsWith(StyleSuffix))
            continue;
        const QByteArray imageProperty =
            image ? property : property.left(property.size() - StyleSuffix.size()) + ImageSuffix;
        const bool kept = backdrops.contains(imageProperty) && (image || backdrops[imageProperty].Style);
        if (!kept)
            restored = Remove(property) && restored;
    }
    return ExactRestoreOf(restored);
}

bool TXfceDesktop::SetBackdrops(const QMap<QByteArray, TBackdrop>& backdrops,
                                const QByteArrayList& properties) {
    bool written = true;
    for (auto at = backdrops.cbegin(); at != backdrops.cend(); ++at) {
        // The style first: xfdesktop redraws on the image change and should use the new style.
        const QByteArray styleProperty = StylePropertyOf(at.key());
        if (at->Style)
            written = Set(styleProperty, "int", QByteArray::number(*at->Style),
                          properties.contains(styleProperty)) &&
                      written;
        written = Set(at.key(), "string", at->Image, properties.contains(at.key())) && written;
    }
    return written;
}

bool TXfceDesktop::Remove(const QByteArray& property) {
    return m_run(Tool, Channel + QStringList{QStringLiteral("-p"), QString::fromUtf8(property),
                                             QStringLiteral("-r")})
        .has_value();
}
