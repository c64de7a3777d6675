#pragma once

#include "platform/desktop/Desktop.h"
#include "platform/desktop/DesktopCommand.h"

// sway draws the background it is told with `swaymsg output <outputs> bg <file> <mode>`. It cannot
// say which background it shows: what the user has is read from the configuration sway loaded
// (`swaymsg -t get_config`), where the user's own "output ... bg ..." lines are; a background set
// at run time by another program, or in an included file, is not seen.
class TSwayDesktop : public TDesktop {
public:
    explicit TSwayDesktop(TDesktopCommandRunner runner = RunDesktopCommand);

    QString Name() const override { return QStringLiteral("sway"); }
    std::optional<TDesktopWallpaper> Read() override;
    bool Write(const TDesktopWallpaper& wallpaper, const TPicture* decoded = nullptr) override;
    // Every "output ... bg ..." line of the configuration, put back as sway would read it.
    std::optional<TDesktopSnapshot> Snapshot() override;

    // A file name as one word for sway's command parser and the word expansion of its bg command;
    // empty for a name that cannot be passed safely (quotes, backslashes, line breaks).
    static QString Quoted(const QString& path);

protected:
    TExactRestore RestoreExact(const QByteArray& exact) override;

private:
    struct TBackground {
        QString Outputs;    // "*" or an output's name
        QString Background; // what follows "bg": the file and the mode, or a colour
    };
    std::optional<QList<TBackground>> ConfiguredBackgrounds();
    bool Set(const QString& outputs, const QString& background);

    TDesktopCommandRunner m_run;
    std::optional<TDesktopWallpaper> m_written; // what this backend set last, which sway cannot say
};
