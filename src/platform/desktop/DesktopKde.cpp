#include "platform/desktop/DesktopKde.h"

#include "core/LogCategories.h"
#include "platform/desktop/DesktopRecord.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUrl>

namespace {

const QString ImagePlugin = QStringLiteral("org.kde.image");

// What every script shares: the image plugin's group of settings, and the values Lumora writes
// there with the plugin's defaults for them.
const QString ScriptPrelude =
    QStringLiteral("var imageGroup = [\"Wallpaper\", \"org.kde.image\", \"General\"];\n"
                   "var lumoras = {Image: \"\", FillMode: \"2\"};\n");

std::optional<QString> EvaluateScript(const QString& script) {
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.kde.plasmashell"), QStringLiteral("/PlasmaShell"),
        QStringLiteral("org.kde.PlasmaShell"), QStringLiteral("evaluateScript"));
    call << script;
    // Plasma refuses scripts while its widgets are locked; that comes back as an error reply.
    const QDBusMessage reply = QDBusConnection::sessionBus().call(call, QDBus::Block, 10000);
    if (reply.type() != QDBusMessage::ReplyMessage) {
        qCWarning(lcWallpaper, "Plasma refused its wallpaper script: %s", qPrintable(reply.errorMessage()));
        return std::nullopt;
    }
    return reply.arguments().value(0).toString();
}

// FillMode of the image plugin (Qt Quick's Image.fillMode): 0 stretch, 1 fit, 2 crop (the
// plugin's default), 3 to 5 tiled, 6 centred.
int FillModeOf(const TDesktopWallpaper& wallpaper) {
    if (wallpaper.Tile)
        return 3;
    return wallpaper.Stretch ? 0 : 6;
}

QJsonObject JsonOf(const QList<TPlasmaContainment>& containments) {
    QJsonObject saved;
    for (const TPlasmaContainment& containment : containments) {
        QJsonObject image;
        for (auto at = containment.Image.cbegin(); at != containment.Image.cend(); ++at)
            image.insert(at.key(), at.value());
        saved.insert(
            QString::number(containment.Id),
            QJsonObject{{QStringLiteral("plugin"), containment.Plugin}, {QStringLiteral("image"), image}});
    }
    return saved;
}

} // namespace

QString JavaScriptString(const QString& text) {
    QString literal = QStringLiteral("\"");
    for (const QChar c : text) {
        if (c == u'"' || c == u'\\' || c == u'\'' || c.unicode() < 0x20 || c.unicode() == 0x2028 ||
            c.unicode() == 0x2029 || c.unicode() == 0x7f)
            literal += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
        else
            literal += c;
    }
    return literal + u'"';
}

QString TKdeDesktop::ReadScript() {
    return ScriptPrelude + QStringLiteral("var all = desktops();\n"
                                          "var found = [];\n"
                                          "for (var i = 0; i < all.length; i++) {\n"
                                          "    var d = all[i];\n"
                                          "    d.currentConfigGroup = imageGroup;\n"
                                          "    var image = {};\n"
                                          "    var keys = d.configKeys;\n"
                                          "    for (var k = 0; k < keys.length; k++)\n"
                                          "        image[keys[k]] = String(d.readConfig(keys[k]));\n"
                                          "    found.push({id: d.id, screen: d.screen, plugin: "
                                          "d.wallpaperPlugin, image: image});\n"
                                          "}\n"
                                          "print(JSON.stringify(found));\n");
}

std::optional<QList<TPlasmaContainment>> TKdeDesktop::ParseReadOutput(const QString& output) {
    const QJsonDocument document = QJsonDocument::fromJson(output.trimmed().toUtf8());
    if (!document.isArray())
        return std::nullopt;
    QList<TPlasmaContainment> containments;
    for (const QJsonValue& entry : document.array()) {
        const QJsonObject object = entry.toObject();
        if (!object.value(QStringLiteral("id")).isDouble() ||
            !object.value(QStringLiteral("plugin")).isString())
            return std::nullopt;
        TPlasmaContainment containment;
        containment.Id = object.value(QStringLiteral("id")).toInt();
        containment.Screen = object.value(QStringLiteral("screen")).toInt(-1);
        containment.Plugin = object.value(QStringLiteral("plugin")).toString();
        const QJsonObject image = object.value(QStringLiteral("image")).toObject();
        for (auto at = image.constBegin(); at != image.constEnd(); ++at)
            containment.Image.insert(at.key(), at.value().toString());
        containments << containment;
    }
    return containments;
}

TDesktopWallpaper TKdeDesktop::WallpaperOf(const QList<TPlasmaContainment>& containments) {
    TDesktopWallpaper wallpaper;
    if (containments.isEmpty())
        return wallpaper;
    const auto shown =
        std::find_if(containments.cbegin(), containments.cend(),
                     [](const TPlasmaContainment& containment) { return containment.Screen == 0; });
    const TPlasmaContainment& first = shown != containments.cend() ? *shown : containments.first();
    if (first.Plugin != ImagePlugin)
        return wallpaper; // a colour, a slide show or another plugin: no picture file to give back
    bool number = false;
    const int fill = first.Image.value(QStringLiteral("FillMode")).toInt(&number);
    const int mode = number ? fill : 2;
    wallpaper.Tile = mode == 3 || mode == 4 || mode == 5;
    wallpaper.Stretch = mode == 0 || mode == 1 || mode == 2;
    const QString image = first.Image.value(QStringLiteral("Image"));
    const QUrl url(image);
    wallpaper.Path = url.isLocalFile() ? url.toLocalFile() : image.startsWith(u'/') ? image : QString();
    return wallpaper;
}

QString TKdeDesktop::WriteScript(const TDesktopWallpaper& wallpaper) {
    return ScriptPrelude +
           QStringLiteral("var image = %1;\n"
                          "var fill = %2;\n"
                          "var all = desktops();\n"
                          "for (var i = 0; i < all.length; i++) {\n"
                          "    var d = all[i];\n"
                          "    d.wallpaperPlugin = \"org.kde.image\";\n"
                          "    d.currentConfigGroup = imageGroup;\n"
                          "    d.writeConfig(\"Image\", image);\n"
                          "    d.writeConfig(\"FillMode\", fill);\n"
                          "}\n")
               // Both at once: a percent sign of the address must not be taken for a place marker.
               .arg(JavaScriptString(QString::fromUtf8(QUrl::fromLocalFile(wallpaper.Path).toEncoded())),
                    QString::number(FillModeOf(wallpaper)));
}

QStringList TKdeDesktop::RestoreScripts(const QList<TPlasmaContainment>& containments) {
    // Each desktop gets its plugin and its values back. Where the user had not set a value that
    // Lumora writes, Plasma's scripts cannot take the key away, and a wallpaper that is shown
    // writes what it holds back into the settings. So the first script gives the wallpaper the
    // plugin's default, and the second, once the wallpaper holds it, takes the key out of the
    // shell's settings file (shared with the desktops) without making it reload. A desktop made
    // since the snapshot (a new screen) had Plasma's default until Lumora wrote its picture there.
    const QString saved = QStringLiteral("var saved = JSON.parse(%1);\n")
                              .arg(JavaScriptString(QString::fromUtf8(
                                  QJsonDocument(JsonOf(containments)).toJson(QJsonDocument::Compact))));
    const QString everyDesktop = QStringLiteral("var all = desktops();\n"
                                                "for (var i = 0; i < all.length; i++) {\n"
                                                "    var d = all[i];\n"
                                                "    var was = saved[String(d.id)];\n");
    const QString unset = QStringLiteral("        if (!was || !(key in was.image))\n");
    return {ScriptPrelude + saved + everyDesktop +
                QStringLiteral("    if (was && d.wallpaperPlugin != was.plugin)\n"
                               "        d.wallpaperPlugin = was.plugin;\n"
                               "    d.currentConfigGroup = imageGroup;\n"
                               "    for (var key in lumoras)\n") +
                unset +
                QStringLiteral("            d.writeConfig(key, lumoras[key]);\n"
                               "    if (was)\n"
                               "        for (var key in was.image)\n"
                               "            d.writeConfig(key, was.image[key]);\n"
                               "}\n"),
            ScriptPrelude + saved + everyDesktop +
                QStringLiteral("    var group = ConfigFile(\"plasma-org.kde.plasma.desktop-appletsrc\");\n"
                               "    var path = [\"Containments\", String(d.id)].concat(imageGroup);\n"
                               "    for (var p = 0; p < path.length; p++)\n"
                               "        group = ConfigFile(group, path[p]);\n"
                               "    for (var key in lumoras)\n") +
                unset +
                QStringLiteral("            group.deleteEntry(key);\n"
                               "}\n")};
}

QByteArray TKdeDesktop::EncodeRecord(const QList<TPlasmaContainment>& containments) const {
    // Each containment by its id with its plugin, then "id/key" for each of its image values.
    TDesktopValues values;
    for (const TPlasmaContainment& containment : containments) {
        const QByteArray id = QByteArray::number(containment.Id);
        values.append({id, containment.Plugin.toUtf8()});
        for (auto at = containment.Image.cbegin(); at != containment.Image.cend(); ++at)
            values.append({id + '/' + at.key().toUtf8(), at.value().toUtf8()});
    }
    return EncodeDesktopRecord(Name(), values);
}

std::optional<QList<TPlasmaContainment>> TKdeDesktop::DecodeRecord(const QByteArray& record) const {
    const std::optional<TDesktopValues> values = DecodeDesktopRecord(Name(), record);
    if (!values)
        return std::nullopt;
    QList<TPlasmaContainment> containments;
    for (const auto& [name, value] : *values) {
        const qsizetype slash = name.indexOf('/');
        bool number = false;
        const int id = name.left(slash < 0 ? name.size() : slash).toInt(&number);
        if (!number)
            return std::nullopt;
        if (slash < 0) {
            containments.append({id, -1, QString::fromUtf8(value), {}});
            continue;
        }
        // A value belongs to the containment named just before it.
        if (containments.isEmpty() || containments.last().Id != id || slash == name.size() - 1)
            return std::nullopt;
        containments.last().Image.insert(QString::fromUtf8(name.mid(slash + 1)), QString::fromUtf8(value));
    }
    return containments;
}

std::optional<QList<TPlasmaContainment>> TKdeDesktop::Containments() {
    const std::optional<QString> output = EvaluateScript(ReadScript());
    if (!output)
        return std::nullopt;
    std::optional<QList<TPlasmaContainment>> containments = ParseReadOutput(*output);
    if (!containments)
        qCWarning(lcWallpaper, "Plasma's answer about its desktops could not be read");
    return containments;
}

std::optional<TDesktopWallpaper> TKdeDesktop::Read() {
    const std::optional<QList<TPlasmaContainment>> containments = Containments();
    if (!containments)
        return std::nullopt;
    return WallpaperOf(*containments);
}

std::optional<TDesktopSnapshot> TKdeDesktop::Snapshot() {
    const std::optional<QList<TPlasmaContainment>> containments = Containments();
    if (!containments)
        return std::nullopt;
    return TDesktopSnapshot{WallpaperOf(*containments), EncodeRecord(*containments)};
}

bool TKdeDesktop::Write(const TDesktopWallpaper& wallpaper, const TPicture*) {
    return EvaluateScript(WriteScript(wallpaper)).has_value();
}

TExactRestore TKdeDesktop::RestoreExact(const QByteArray& exact) {
    const std::optional<QList<TPlasmaContainment>> containments = DecodeRecord(exact);
    if (!containments)
        return TExactRestore::ForeignRecord;
    for (const QString& script : RestoreScripts(*containments))
        if (!EvaluateScript(script))
            return TExactRestore::NotRestored;
    return TExactRestore::Restored;
}
