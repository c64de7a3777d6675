#include "platform/desktop/DesktopKde.h"

#include "core/LogCategories.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QUrl>

namespace {

const QString ImagePlugin = QStringLiteral("org.kde.image");

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

int TKdeDesktop::FillMode(const TDesktopWallpaper& wallpaper) {
    if (wallpaper.Tile)
        return 3;
    return wallpaper.Stretch ? 0 : 6;
}

QString TKdeDesktop::ReadScript() {
    return QStringLiteral("var d = desktops()[0];\n"
                          "d.currentConfigGroup = [\"Wallpaper\", \"org.kde.image\", \"General\"];\n"
                          "print(d.wallpaperPlugin + \"\\n\" + d.readConfig(\"FillMode\") + \"\\n\" + "
                          "d.readConfig(\"Image\"));\n");
}

std::optional<TDesktopWallpaper> TKdeDesktop::ParseReadOutput(const QString& output) {
    const qsizetype firstBreak = output.indexOf(u'\n');
    const qsizetype secondBreak = output.indexOf(u'\n', firstBreak + 1);
    if (firstBreak < 0 || secondBreak < 0)
        return std::nullopt;
    TDesktopWallpaper wallpaper;
    if (output.left(firstBreak) != ImagePlugin)
        return wallpaper; // a colour, a slide show or another plugin: no picture file to give back
    bool number = false;
    const int fill = output.mid(firstBreak + 1, secondBreak - firstBreak - 1).toInt(&number);
    const int mode = number ? fill : 2; // the plugin's own default is "scaled and cropped"
    wallpaper.Tile = mode == 3 || mode == 4 || mode == 5;
    wallpaper.Stretch = mode == 0 || mode == 1 || mode == 2;
    QString image = output.mid(secondBreak + 1);
    if (image.endsWith(u'\n'))
        image.chop(1);
    const QUrl url(image);
    wallpaper.Path = url.isLocalFile() ? url.toLocalFile() : image.startsWith(u'/') ? image : QString();
    return wallpaper;
}

QString TKdeDesktop::WriteScript(const TDesktopWallpaper& wallpaper) {
    return QStringLiteral("var image = %1;\n"
                          "var fill = %2;\n"
                          "var all = desktops();\n"
                          "for (var i = 0; i < all.length; i++) {\n"
                          "    var d = all[i];\n"
                          "    d.wallpaperPlugin = \"org.kde.image\";\n"
                          "    d.currentConfigGroup = [\"Wallpaper\", \"org.kde.image\", \"General\"];\n"
                          "    d.writeConfig(\"Image\", image);\n"
                          "    d.writeConfig(\"FillMode\", fill);\n"
                          "}\n")
        // Both at once: a percent sign of the address must not be taken for a place marker.
        .arg(JavaScriptString(QString::fromUtf8(QUrl::fromLocalFile(wallpaper.Path).toEncoded())),
             QString::number(FillMode(wallpaper)));
}

std::optional<TDesktopWallpaper> TKdeDesktop::Read() {
    const std::optional<QString> output = EvaluateScript(ReadScript());
    if (!output)
        return std::nullopt;
    return ParseReadOutput(*output);
}

bool TKdeDesktop::Write(const TDesktopWallpaper& wallpaper, const TPicture*) {
    return EvaluateScript(WriteScript(wallpaper)).has_value();
}
