#include "wallpaper/WallpaperCycle.h"

#include "platform/FreeMemory.h"
#include "platform/LogCategories.h"
#include "wallpaper/InstallWallpaper.h"
#include "wallpaper/Picture.h"
#include "wallpaper/PictureExtension.h"
#include "wallpaper/RefreshRule.h"

TWallpaperCycle::TWallpaperCycle(TDesktop& desktop, QString dataDirectory, QObject* parent)
    : QObject(parent)
    , m_desktop(desktop)
    , m_dataDirectory(std::move(dataDirectory)) {
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
    });
}

void TWallpaperCycle::FetchPicture(const QByteArray& url) {
    // Before any cam is chosen (a first run) there is nothing to fetch; a request for nothing
    // would only hold the fetcher busy when the user's first choice asks for its picture.
    if (url.isEmpty() || IEGet.Busy())
        return;
    IEGet.URL = url;
    IEGet.FileName = m_dataDirectory + QStringLiteral("/TMP") + QString::fromLatin1(PictureExtension(url));
    IEGet.FetchFile();
}

void TWallpaperCycle::IEGetDoneFile(THTTPGet*, const QString& FileName, qint64) {
    const bool stretch = IsStretched ? IsStretched() : false;
    QString error;
    const QString bitmap = InstallWallpaper(m_desktop, FileName, stretch, m_dataDirectory, &error);
    // The decoded picture and the screen-sized bitmap are gone; the program idles until the next tick.
    FreeMemory::ReturnFreePagesSoon();
    if (bitmap.isEmpty()) {
        qCWarning(lcWallpaper, "wallpaper picture not installed (%s): %s",
                  qPrintable(IEGet.LastTransferText()), qPrintable(error));
        return;
    }
    Q_EMIT Installed(bitmap);
}

void TWallpaperCycle::SetRefresh(int seconds) {
    Timer.setInterval(RefreshIntervalMilliseconds(seconds));
}

void TWallpaperCycle::SwitchOn() {
    if (!Timer.isActive())
        Timer.start();
}
