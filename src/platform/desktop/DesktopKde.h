#pragma once

#include "platform/desktop/Desktop.h"

#include <QList>
#include <QMap>

// One desktop containment of Plasma (a screen of an activity) as far as its wallpaper goes: the
// wallpaper plugin and every value the image plugin keeps for it. A key that is not in Image was
// never set, and the plugin uses its own default for it.
struct TPlasmaContainment {
    int Id = 0;
    int Screen = -1; // -1 for the desktops of activities not shown now
    QString Plugin;
    QMap<QString, QString> Image;

    bool operator==(const TPlasmaContainment&) const = default;
};

// KDE Plasma: the shell runs a desktop script sent over D-Bus (org.kde.plasmashell, /PlasmaShell,
// org.kde.PlasmaShell.evaluateScript) and gives back what the script printed. Only the image
// wallpaper plugin has a picture file; Write switches every desktop to it. The snapshot holds
// every containment's plugin and image values, so that each screen gets its own back.
class TKdeDesktop : public TDesktop {
public:
    QString Name() const override { return QStringLiteral("kde"); }
    std::optional<TDesktopWallpaper> Read() override;
    bool Write(const TDesktopWallpaper& wallpaper, const TPicture* decoded = nullptr) override;
    std::optional<TDesktopSnapshot> Snapshot() override;

    // The scripts and the reading of the first one's output, kept apart for tests.
    static QString ReadScript();
    static std::optional<QList<TPlasmaContainment>> ParseReadOutput(const QString& output);
    static QString WriteScript(const TDesktopWallpaper& wallpaper);
    // Two scripts, to be run one after the other.
    static QStringList RestoreScripts(const QList<TPlasmaContainment>& containments);

    // The shown desktop's wallpaper in the three values: the first screen's containment.
    static TDesktopWallpaper WallpaperOf(const QList<TPlasmaContainment>& containments);

    // The snapshot's record of the containments, and back; nothing for a record of another form.
    QByteArray EncodeRecord(const QList<TPlasmaContainment>& containments) const;
    std::optional<QList<TPlasmaContainment>> DecodeRecord(const QByteArray& record) const;

protected:
    TExactRestore RestoreExact(const QByteArray& exact) override;

private:
    std::optional<QList<TPlasmaContainment>> Containments();
};

// A JavaScript string literal holding the text, safe whatever the text contains.
QString JavaScriptString(const QString& text);
