#include "wallpaper/InstallWallpaper.h"

#include "core/picture/PictureDecoders.h"
#include "core/picture/PictureEncoders.h"
#include "platform/desktop/Desktop.h"

#include <QFileInfo>
#include <future>

QString NextBitmapPath(const QString& currentWallpaper, const QString& dataDirectory) {
    int number = 0;
    if (!currentWallpaper.isEmpty()) {
        const QChar marker = currentWallpaper.at(std::max<qsizetype>(currentWallpaper.size() - 5, 0));
        if (marker >= QLatin1Char('0') && marker <= QLatin1Char('9'))
            number = marker.unicode() - '0';
    }
    return dataDirectory + (number == 0 ? QStringLiteral("/Pic1.bmp") : QStringLiteral("/Pic0.bmp"));
}

TResult<QString> InstallWallpaper(TDesktop& desktop, const QString& pictureFile, bool stretch,
                                  const QString& dataDirectory) {
    const QString extension = QLatin1Char('.') + QFileInfo(pictureFile).suffix();
    // A picture that is stretched down anyway is decoded no larger than it is shown: libjpeg's
    // own reduction to the smallest size that still covers the largest monitor costs a fraction of
    // the whole picture, and the bitmap shows the same.
    const TResult<TPicture> picture =
        DecodePictureFile(pictureFile, extension, stretch ? desktop.StretchedSize() : QSize());
    if (!picture)
        return Failure(picture.Error());
    const std::optional<TDesktopWallpaper> current = desktop.Read();
    if (!current)
        return Failure(
            QStringLiteral("the %1 desktop cannot be asked for its wallpaper").arg(desktop.Name()));
    const QString target = NextBitmapPath(current->Path, dataDirectory);
    // The bitmap file and the desktop's own drawing need the same pixels and nothing of each other:
    // the file is written on a thread of its own meanwhile (or first, where no thread can be had).
    std::future<TResult<>> saving =
        std::async(std::launch::async | std::launch::deferred,
                   [&target, &picture] { return WriteBmpFile(target, *picture); });
    std::optional<TResult<>> saved;
    const auto fileWritten = [&saving, &saved] {
        if (!saved)
            saved = saving.get();
        return bool(*saved);
    };
    const bool shown =
        desktop.WriteWhenSaved(TDesktopWallpaper{target, false, stretch}, *picture, fileWritten);
    if (!fileWritten())
        return Failure(saved->Error());
    if (!shown)
        return Failure(QStringLiteral("the %1 desktop did not take %2").arg(desktop.Name(), target));
    return target;
}
