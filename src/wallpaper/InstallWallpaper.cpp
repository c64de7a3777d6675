#include "wallpaper/InstallWallpaper.h"

#include "core/picture/DecodedRows.h"
#include "core/picture/PictureDecoders.h"
#include "core/picture/PictureEncoders.h"
#include "platform/desktop/Desktop.h"

#include <QFileInfo>
#include <future>
#include <system_error>

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
    const QSize atLeast = stretch ? desktop.StretchedSize() : QSize();
    // The picture is decoded on a thread of its own; the bitmap file is written on another as its
    // rows come, and the desktop may draw them meanwhile. Where no thread can be had, the picture
    // is decoded first and the file written after.
    TDecodedRows decodedRows;
    const auto decode = [&] { return DecodePictureFile(pictureFile, extension, atLeast, &decodedRows); };
    std::future<TResult<TPicture>> decoding;
    try {
        decoding = std::async(std::launch::async, decode);
    } catch (const std::system_error&) {
        decoding = std::async(std::launch::deferred, decode);
        decoding.wait();
    }
    std::optional<TResult<TPicture>> picture;
    const auto decoded = [&decoding, &picture]() -> const TPicture* {
        if (!picture)
            picture = decoding.get();
        return *picture ? &**picture : nullptr;
    };
    const std::optional<TDesktopWallpaper> current = desktop.Read();
    if (!current) {
        if (!decoded())
            return Failure(picture->Error());
        return Failure(
            QStringLiteral("the %1 desktop cannot be asked for its wallpaper").arg(desktop.Name()));
    }
    const QString target = NextBitmapPath(current->Path, dataDirectory);
    std::future<TResult<>> saving =
        std::async(std::launch::async | std::launch::deferred,
                   [&target, &decodedRows] { return WriteBmpFile(target, decodedRows); });
    std::optional<TResult<>> saved;
    const auto fileWritten = [&saving, &saved] {
        if (!saved)
            saved = saving.get();
        return bool(*saved);
    };
    const bool shown = desktop.WriteWhenDecoded(TDesktopWallpaper{target, false, stretch}, decodedRows,
                                                decoded, fileWritten);
    // Both threads are done before anything here goes: the picture was told to the writer, whole or
    // failed, and the writer has let go of its rows.
    const bool pictureDecoded = decoded() != nullptr;
    const bool fileSaved = fileWritten();
    if (!pictureDecoded)
        return Failure(picture->Error());
    if (!fileSaved)
        return Failure(saved->Error());
    if (!shown)
        return Failure(QStringLiteral("the %1 desktop did not take %2").arg(desktop.Name(), target));
    return target;
}
