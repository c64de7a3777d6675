// A downloaded cam picture becoming the wallpaper: the refresh cycle's own InstallWallpaper
// (decoding the JPEG, saving the "Pic" bitmap, installing it on the X11 root window of a private
// Xvfb) against djpeg -bmp decoding the same file into a bitmap, in this run, the two taking turns
// so that both meet the same load. Measured at 1920 x 1080, 3840 x 2160 and on two 1920 x 1080
// monitors side by side; the ratio is the worst of the three.
//
// Each is given in wall-clock time (the best round) and in processor time (the best round, ours
// counting the X server's share as well, since the picture is copied there).
#include "core/picture/PictureEncoders.h"
#include "platform/FreeMemory.h"
#include "platform/desktop/DesktopX11.h"
#include "platform/desktop/X11Display.h"
#include "platform/desktop/XvfbServer.h"
#include "wallpaper/InstallWallpaper.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <sys/resource.h>
#include <unistd.h>

namespace {

constexpr int Rounds = 40;

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

double Seconds(const timeval& time) {
    return double(time.tv_sec) + double(time.tv_usec) / 1e6;
}

// Processor time of this process, of its ended children, and of the X server.
double OwnCpu() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}
double ChildrenCpu() {
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
}
double ProcessCpu(qint64 pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return 0;
    // The fields after the command's closing parenthesis; utime and stime are the 12th and 13th.
    const QByteArray text = stat.readAll();
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    return fields.size() > 12 ? (fields[11].toDouble() + fields[12].toDouble()) / double(sysconf(_SC_CLK_TCK))
                              : 0;
}

struct TCost {
    double Wall = 1e300, Cpu = 1e300;
    void Take(double wall, double cpu) {
        Wall = std::min(Wall, wall);
        Cpu = std::min(Cpu, cpu);
    }
};

struct TTimes {
    TCost Djpeg, Ours;
    bool Measured = false;
};

// `monitors` side by side, each `width` x `height`, showing a cam picture of that size.
TTimes Measure(const QTemporaryDir& folder, int width, int height, int monitors) {
    const QString jpeg = folder.filePath(QStringLiteral("TMP%1.jpg").arg(width));
    const QString djpegBmp = folder.filePath(QStringLiteral("djpeg%1.bmp").arg(width));
    {
        QFile file(jpeg);
        if (!file.open(QIODevice::WriteOnly) ||
            file.write(EncodeJpeg(CamLikePicture(width, height), 85)) <= 0)
            return {};
    }
    TXvfbServer server(width * monitors, height);
    if (!server.IsRunning())
        return {};
    for (int monitor = 0; monitor < monitors && monitors > 1; ++monitor) {
        const QString geometry = QStringLiteral("%1/0x%2/0+%3+0").arg(width).arg(height).arg(width * monitor);
        QProcess xrandr;
        xrandr.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        xrandr.start(QStringLiteral("xrandr"),
                     {QStringLiteral("--setmonitor"), QStringLiteral("m%1").arg(monitor), geometry,
                      monitor == 0 ? QStringLiteral("screen") : QStringLiteral("none")});
        if (!xrandr.waitForFinished() || xrandr.exitCode() != 0)
            return {};
    }
    if (TX11Display().Monitors().size() != monitors)
        return {};
    TX11Desktop desktop;
    TTimes times;
    for (int round = 0; round < Rounds; ++round) {
        QElapsedTimer timer;
        double cpu = ChildrenCpu();
        timer.start();
        if (QProcess::execute(QStringLiteral("djpeg"), {"-bmp", "-outfile", djpegBmp, jpeg}) != 0)
            return {};
        times.Djpeg.Take(timer.nsecsElapsed() / 1e6, (ChildrenCpu() - cpu) * 1e3);

        cpu = OwnCpu() + ProcessCpu(server.Pid());
        timer.restart();
        // What the refresh cycle does with a finished download.
        if (!InstallWallpaper(desktop, jpeg, true, folder.path()))
            return {};
        const double wall = timer.nsecsElapsed() / 1e6;
        // The server's share shows in its counters once it has handled everything.
        TX11Display().Monitors();
        times.Ours.Take(wall, (OwnCpu() + ProcessCpu(server.Pid()) - cpu) * 1e3);
    }
    times.Measured = true;
    return times;
}

} // namespace

int main(int argc, char* argv[]) {
    // The C library set up as in the program, where each decoded picture is fresh memory.
    FreeMemory::KeepLargeBlocksApart();
    QCoreApplication app(argc, argv);
    QTemporaryDir folder;
    double worst = 1e300, worstCpu = 1e300;
    for (const auto& [width, height, monitors] :
         {std::tuple{1920, 1080, 1}, std::tuple{3840, 2160, 1}, std::tuple{1920, 1080, 2}}) {
        const TTimes times = Measure(folder, width, height, monitors);
        if (!times.Measured) {
            std::printf("%dx%d on %d monitor(s): could not measure (djpeg, xrandr or Xvfb missing?)\n", width,
                        height, monitors);
            return 1;
        }
        const double ratio = times.Djpeg.Wall / times.Ours.Wall, ratioCpu = times.Djpeg.Cpu / times.Ours.Cpu;
        std::printf("%dx%d on %d monitor(s): djpeg -bmp (reference) %.1f ms, %.1f ms processor; "
                    "InstallWallpaper %.1f ms, %.1f ms processor; ratio %.2f, processor %.2f\n",
                    width, height, monitors, times.Djpeg.Wall, times.Djpeg.Cpu, times.Ours.Wall,
                    times.Ours.Cpu, ratio, ratioCpu);
        worst = std::min(worst, ratio);
        worstCpu = std::min(worstCpu, ratioCpu);
    }
    std::printf("worst processor-time ratio %.2f\n", worstCpu);
    std::printf("wallpaper ratio=%.2f goal=1.2\n", worst);
    return 0;
}
