#pragma once

#include "platform/desktop/Desktop.h"
#include "platform/desktop/DesktopCommand.h"

#include <QByteArrayList>

// LXQt and LXDE draw the desktop with their file managers, pcmanfm-qt and pcmanfm. Both take a new
// wallpaper on the command line (handed to the running desktop, which saves it in its settings
// file) and keep it in that file, where it is read back.
struct TPcmanfmFlavour {
    QString Name;    // the backend's name
    QString Program; // the file manager
    QString Profile; // the profile the session starts its desktop with
    // Where the desktop keeps its wallpaper, relative to the configuration folders ("%1" stands
    // for the profile), and the group in it; the first file found is read, the user's own before
    // the system's.
    QList<std::pair<QString, QString>> Sources;
    bool QtSettingsFile = false; // written by QSettings rather than as a GLib key file
    QString WallpaperKey;
    QString ModeKey;
    QByteArrayList Modes;        // every mode the program knows; the first shows no picture
    QByteArrayList FillingModes; // the modes read as stretched
    QByteArray Centred, Tiled, Stretched;

    static TPcmanfmFlavour Lxqt();
    static TPcmanfmFlavour Lxde();
};

// The profile a file manager was started with, from its command line ("default" without one).
QString PcmanfmProfileOf(const QStringList& arguments);

class TPcmanfmDesktop : public TDesktop {
public:
    explicit TPcmanfmDesktop(TPcmanfmFlavour flavour, TDesktopCommandRunner runner = RunDesktopCommand);

    QString Name() const override { return m_flavour.Name; }
    std::optional<TDesktopWallpaper> Read() override;
    bool Write(const TDesktopWallpaper& wallpaper, const TPicture* decoded = nullptr) override;
    // The picture and the mode by the program's own name ("zoom", "fit", a plain colour).
    std::optional<TDesktopSnapshot> Snapshot() override;

protected:
    TExactRestore RestoreExact(const QByteArray& exact) override;

private:
    struct TOwn {
        QString Wallpaper;
        QByteArray Mode;
    };
    // The profile of the running desktop, or the session's when no desktop runs.
    QString Profile();
    TOwn ReadSettings();
    bool Run(const QString& wallpaper, const QByteArray& mode);

    TPcmanfmFlavour m_flavour;
    TDesktopCommandRunner m_run;
    bool m_saidNoDesktop = false;
};
