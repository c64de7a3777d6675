#pragma once

// One run of the program in miniature against a real desktop backend: the user's wallpaper is
// remembered at start, several cam pictures are installed, and at the end the wallpaper is put
// back, either by the same run ("Shut down") or by the next start after the run died.
#include "core/SettingsKey.h"
#include "core/picture/PictureEncoders.h"
#include "core/picture/TestPictures.h"
#include "platform/desktop/Desktop.h"
#include "wallpaper/InstallWallpaper.h"
#include "wallpaper/OldWallpaper.h"

#include <QDir>
#include <QFile>
#include <QTest>
#include <functional>
#include <memory>

enum class TRunEnd { ShutDown, CrashThenNextStart };

inline void RunAndRestore(const std::function<std::unique_ptr<TDesktop>()>& makeDesktop, TRunEnd end,
                          const QString& scratch, const std::function<void()>& whileRunning = {}) {
    QFile::remove(TSettingsKey::FilePath());
    // The data directory's name holds "Lumora" as the real one does.
    const QString data = scratch + QStringLiteral("/Documents/Lumora");
    QVERIFY(QDir().mkpath(data));
    const QString download = data + QStringLiteral("/TMP.jpg");
    QFile file(download);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(EncodeJpeg(GradientPicture(40, 30), 90));
    file.close();

    std::unique_ptr<TDesktop> desktop = makeDesktop();
    QVERIFY(SaveOldWallpaper(*desktop));
    if (whileRunning)
        whileRunning();
    for (int install = 0; install < 3; ++install) {
        const TResult<QString> bitmap = InstallWallpaper(*desktop, download, install % 2 == 0, data);
        QVERIFY2(bitmap, qPrintable(bitmap.Error()));
        QCOMPARE(desktop->Read().value_or(TDesktopWallpaper{}).Path, *bitmap);
    }
    if (end == TRunEnd::CrashThenNextStart) {
        desktop = makeDesktop();
        // The next start finds a cam picture on the desktop and keeps what the dead run remembered.
        QVERIFY(!SaveOldWallpaper(*desktop));
    }
    QVERIFY(RestoreOldWallpaper(*desktop));
}

inline void AddRunEnds() {
    QTest::addColumn<TRunEnd>("end");
    QTest::newRow("Shut down") << TRunEnd::ShutDown;
    QTest::newRow("crash, then the next start") << TRunEnd::CrashThenNextStart;
}
