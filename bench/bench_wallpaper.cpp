// A downloaded cam picture becoming the wallpaper: decoding the JPEG, saving the "Pic" bitmap and
// installing it on the X11 root window of a private Xvfb, against djpeg -bmp decoding the same
// file into a bitmap, both in this run. The ratio is taken at 1920 x 1080; 3840 x 2160 is shown too.
#include "platform/DesktopX11.h"
#include "wallpaper/PictureDecoders.h"
#include "wallpaper/PictureEncoders.h"
#include "wallpaper/XvfbServer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

constexpr int Rounds = 9;

// Something like a photograph: smooth light with fine texture, which is what costs a decoder.
TPicture CamLikePicture(int width, int height) {
    TPicture picture = MakePicture(width, height);
    quint32 noise = 12345;
    for (int y = 0; y < height; ++y) {
        uchar* pixel = reinterpret_cast<uchar*>(picture.Row(y));
        for (int x = 0; x < width; ++x, pixel += 3) {
            noise = noise * 1664525u + 1013904223u;
            const int grain = int(noise >> 28) - 8;
            const double light = 0.5 + 0.5 * std::sin(x * 0.01) * std::cos(y * 0.013);
            pixel[0] = uchar(std::clamp(int(60 + 120 * light) + grain, 0, 255));
            pixel[1] = uchar(std::clamp(int(90 + 100 * (1 - light)) + grain, 0, 255));
            pixel[2] = uchar(std::clamp(int(40 + 180 * light * light) + grain + (x * 60 / width), 0, 255));
        }
    }
    return picture;
}

template <typename Work> double BestMilliseconds(Work work) {
    double best = 1e300;
    for (int round = 0; round < Rounds; ++round) {
        QElapsedTimer timer;
        timer.start();
        if (!work())
            return -1;
        best = std::min(best, timer.nsecsElapsed() / 1e6);
    }
    return best;
}

struct TTimes {
    double Djpeg = -1, Ours = -1;
};

TTimes Measure(const QTemporaryDir& folder, int width, int height) {
    const QString jpeg = folder.filePath(QStringLiteral("TMP%1.jpg").arg(width));
    const QString djpegBmp = folder.filePath(QStringLiteral("djpeg%1.bmp").arg(width));
    {
        QFile file(jpeg);
        if (!file.open(QIODevice::WriteOnly) ||
            file.write(EncodeJpeg(CamLikePicture(width, height), 85)) <= 0)
            return {};
    }
    TTimes times;
    times.Djpeg = BestMilliseconds([&] {
        return QProcess::execute(QStringLiteral("djpeg"), {"-bmp", "-outfile", djpegBmp, jpeg}) == 0;
    });

    TXvfbServer server(width, height);
    if (!server.IsRunning())
        return times;
    TX11Desktop desktop;
    int digit = 0;
    times.Ours = BestMilliseconds([&] {
        // What the refresh cycle does with a finished download: alternate between the two bitmaps.
        const QString target = folder.filePath(QStringLiteral("Pic%1.bmp").arg(digit));
        digit = 1 - digit;
        const std::optional<TPicture> picture = DecodePictureFile(jpeg, QStringLiteral(".jpg"));
        return picture && WriteBmpFile(target, *picture).isEmpty() &&
               desktop.Write({target, false, true}, &*picture);
    });
    return times;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QTemporaryDir folder;
    TTimes full;
    for (const auto& [width, height] : {std::pair{3840, 2160}, std::pair{1920, 1080}}) {
        const TTimes times = Measure(folder, width, height);
        if (times.Djpeg < 0 || times.Ours < 0) {
            std::printf("%dx%d: could not measure (djpeg or Xvfb missing?)\n", width, height);
            return 1;
        }
        std::printf(
            "%dx%d: djpeg -bmp (reference) %.1f ms; decode + bitmap + X11 install %.1f ms; ratio %.2f\n",
            width, height, times.Djpeg, times.Ours, times.Djpeg / times.Ours);
        full = times;
    }
    std::printf("wallpaper ratio=%.2f goal=1.0\n", full.Djpeg / full.Ours);
    return 0;
}
