#pragma once

#include "net/HTTPGet.h"
#include "platform/desktop/DesktopWorker.h"

#include <QByteArray>
#include <QString>
#include <QTimer>
#include <functional>

class TDesktop;

// The refresh cycle: the refresh timer `Timer` asks for the active cam's picture again and again,
// the wallpaper fetcher `IEGet` downloads it into "TMP" plus its extension in the download folder,
// and each completed download is installed as the wallpaper, a picture of the data folder, on the
// desktop's own thread. A failure is told (Failed) but never retried at once: the next tick tries
// again.
class TWallpaperCycle : public QObject {
    Q_OBJECT
public:
    TWallpaperCycle(TDesktop& desktop, QString dataDirectory, QString downloadDirectory,
                    QObject* parent = nullptr);

    // Disabled, 1000 ms until a cam's refresh sets it. Its ticks reach `OnTimer`.
    QTimer Timer;
    THTTPGet IEGet;
    // The desktop, reached only through its thread: the installs, and whatever else the program
    // asks of it.
    TDesktopWorker Desktop;

    // What a tick does: the window's FetchWallpaper.
    std::function<void()> OnTimer;
    // Read at each install: whether the picture is stretched to the screen.
    std::function<bool()> IsStretched;

    // Starts downloading the picture at `url`. While the previous download or its install runs the
    // request is dropped, so a slow cam or a slow desktop skips ticks instead of piling up work.
    void FetchPicture(const QByteArray& url);
    // Whether a download or an install runs.
    bool Busy() const { return IEGet.Busy() || m_installing; }

    // The body of IEGet's completion: hands the downloaded picture to the desktop's thread to be
    // installed.
    void IEGetDoneFile(THTTPGet* Sender, const QString& FileName, qint64 FileSize);

    // The timer's interval for a cam's refresh in seconds.
    void SetRefresh(int seconds);
    // Switches the timer on; a countdown already running goes on undisturbed, so a catalogue
    // reply does not put the next refresh off.
    void SwitchOn();

Q_SIGNALS:
    // A picture became the wallpaper; `bitmap` is the file now on the desktop.
    void Installed(const QString& bitmap);
    // A refresh brought no new wallpaper: the picture was not fetched, or not installed.
    void Failed();

private:
    QString m_dataDirectory;
    QString m_downloadDirectory;
    // The install reads the file the next download would write.
    bool m_installing = false;
};
