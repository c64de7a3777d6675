#include "wallpaper/WallpaperCycle.h"

#include "core/LogCategories.h"
#include "core/picture/Picture.h"
#include "core/picture/PictureExtension.h"
#include "platform/FreeMemory.h"
#include "wallpaper/InstallWallpaper.h"
#include "wallpaper/RefreshRule.h"

TWallpaperCycle::TWallpaperCycle(TDesktop& desktop, QString dataDirectory, QString downloadDirectory,
                                 QObject* parent)
    : QObject(parent)
    , Desktop(desktop)
    , m_dataDirectory(std::move(dataDirectory))
    , m_downloadDirectory(std::move(downloadDirectory)) {
    Timer.setInterval(1000);
    IEGet.Agent = THTTPGet::BrowserAgent;
    IEGet.AcceptTypes = "*/*";
    IEGet.BinaryData = true;
    IEGet.UseCache = false;
    IEGet.WaitThread = false;
    IEGet.MaxFileSize = MaxPictureFileBytes;
    connect(&Timer, &QTimer::timeout, this, [this] {
        if (OnTimer)
            OnTimer();
    });
    connect(&IEGet, &THTTPGet::OnDoneFile, this, &TWallpaperCycle::IEGetDoneFile);
    // Every failure repeats at the next tick: one line per tick says why.
    connect(&IEGet, &THTTPGet::OnError, this, [this] {
        qCWarning(lcWallpaper, "wallpaper picture not fetched (%s): %s", qPrintable(IEGet.LastTransferText()),
                  IEGet.LastFailure().constData());
        Q_EMIT Failed();
    });
}

void TWallpaperCycle::FetchPicture(const QByteArray& url) {
    // Before any cam is chosen (a first run) there is nothing to fetch; a request for nothing
    // would only hold the fetcher busy when the user's first choice asks for its picture.
    if (url.isEmpty() || Busy())
        return;
    IEGet.URL = url;
    IEGet.FileName =
        m_downloadDirectory + QStringLiteral("/TMP") + QString::fromLatin1(PictureExtension(url));
    IEGet.FetchFile();
}

void TWallpaperCycle::IEGetDoneFile(THTTPGet*, const QString& FileName, qint64) {
    const bool stretch = IsStretched ? IsStretched() : false;
    m_installing = true;
    Desktop.Ask(
        [FileName, stretch, dataDirectory = m_dataDirectory](TDesktop& desktop) {
            return InstallWallpaper(desktop, FileName, stretch, dataDirectory);
        },
        this,
        [this, transfer = IEGet.LastTransferText()](const TResult<QString>& installed) {
            m_installing = false;
            // The decoded picture and the screen-sized bitmap are gone; the program idles until the
            // next tick.
            FreeMemory::ReturnFreePagesSoon();
            if (!installed) {
                qCWarning(lcWallpaper, "wallpaper picture not installed (%s): %s", qPrintable(transfer),
                          qPrintable(installed.Error()));
                Q_EMIT Failed();
                return;
            }
            Q_EMIT Installed(*installed);
        });
}

void TWallpaperCycle::SetRefresh(int seconds) {
    Timer.setInterval(RefreshIntervalMilliseconds(seconds));
}

void TWallpaperCycle::SwitchOn() {
    if (!Timer.isActive())
        Timer.start();
}
