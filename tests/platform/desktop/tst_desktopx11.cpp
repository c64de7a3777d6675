#include "DesktopRestoreRun.h"
#include "XvfbServer.h"
#include "core/picture/DecodedRows.h"
#include "core/picture/PictureDecoders.h"
#include "core/picture/PictureEncoders.h"
#include "core/picture/TestPictures.h"
#include "platform/desktop/DesktopX11.h"
#include "platform/desktop/X11Display.h"
#include "platform/desktop/X11Pixels.h"
#include "wallpaper/InstallWallpaper.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <X11/Xlib.h>
#include <algorithm>
#include <memory>
#include <thread>

namespace {

constexpr int ScreenWidth = 64, ScreenHeight = 48;

// What the screen shows where no window covers it: the root window's own contents.
TPicture RootPicture() {
    TX11Display display;
    return GetPicture(display, display.Root(), ScreenWidth, ScreenHeight).value_or(TPicture{});
}

std::optional<unsigned long> RootPixmap(const char* property = "_XROOTPMAP_ID") {
    TX11Display display;
    return display.ReadPixmapProperty(property);
}

bool PixmapExists(unsigned long pixmap) {
    TX11Display display;
    TX11ErrorTrap trap(display);
    Window root;
    int x, y;
    unsigned width, height, border, depth;
    const Status found =
        XGetGeometry(display.Handle(), pixmap, &root, &x, &y, &width, &height, &border, &depth);
    return !trap.Failed() && found;
}

// Another program's wallpaper, set the way background setters do it: a retained pixmap named
// in both root properties.
void SetForeignBackground(TColour colour, int width, int height) {
    TX11Display display;
    Display* x = display.Handle();
    const Pixmap pixmap =
        XCreatePixmap(x, display.Root(), unsigned(width), unsigned(height), unsigned(display.Depth()));
    PutPicture(display, pixmap, FilledPicture(width, height, colour));
    display.WritePixmapProperty("_XROOTPMAP_ID", pixmap);
    display.WritePixmapProperty("ESETROOT_PMAP_ID", pixmap);
    XSetWindowBackgroundPixmap(x, display.Root(), pixmap);
    XClearWindow(x, display.Root());
    display.RetainResources();
    XSync(x, False);
}

// A window of another colour over part of the root, as the user's windows are; it stays while
// the connection lives.
void CoverPartOfTheScreen(TX11Display& display) {
    XSetWindowAttributes attributes = {};
    attributes.override_redirect = True;
    attributes.background_pixel = WhitePixel(display.Handle(), DefaultScreen(display.Handle()));
    const Window window =
        XCreateWindow(display.Handle(), display.Root(), 5, 5, 30, 20, 0, CopyFromParent, InputOutput,
                      CopyFromParent, CWOverrideRedirect | CWBackPixel, &attributes);
    XMapRaised(display.Handle(), window);
    XSync(display.Handle(), False);
}

// Two monitors, the left one on the screen's output; false when the server does not show them so.
bool SetMonitors(const QRect& left, const QRect& right) {
    for (const auto& [name, monitor, output] :
         {std::tuple{"left", left, "screen"}, {"right", right, "none"}}) {
        const QString geometry = QString("%1/0x%2/0+%3+%4")
                                     .arg(monitor.width())
                                     .arg(monitor.height())
                                     .arg(monitor.x())
                                     .arg(monitor.y());
        if (QProcess::execute("xrandr", {"--setmonitor", name, geometry, output}) != 0)
            return false;
    }
    QList<QRect> monitors = TX11Display().Monitors();
    std::sort(monitors.begin(), monitors.end(), [](QRect a, QRect b) { return a.x() < b.x(); });
    return monitors == QList<QRect>{left, right};
}

// The first row and monitor, of monitors side by side, where the screen does not show the picture;
// empty when every monitor shows it whole.
QString RowsNotShown(const TPicture& screen, const TPicture& picture, int monitors) {
    for (int y = 0; y < picture.Height; ++y)
        for (int monitor = 0; monitor < monitors; ++monitor)
            if (QByteArrayView(screen.Row(y) + monitor * picture.RowBytes(), picture.RowBytes()) !=
                QByteArrayView(picture.Row(y), picture.RowBytes()))
                return QString("row %1 on monitor %2").arg(y).arg(monitor);
    return {};
}

} // namespace

class TestDesktopX11 : public QObject {
    Q_OBJECT

    std::unique_ptr<TXvfbServer> m_server;
    QTemporaryDir m_folder;

    QString SavePicture(const QString& name, const TPicture& picture) {
        const QString path = m_folder.filePath(name);
        if (!WriteBmpFile(path, picture))
            return {};
        return path;
    }

private Q_SLOTS:
    void init() {
        m_server = std::make_unique<TXvfbServer>(ScreenWidth, ScreenHeight);
        QVERIFY2(m_server->IsRunning(), "Xvfb did not start");
    }
    void cleanup() { m_server.reset(); }

    void drawsTheLayoutThatWasAskedFor_data() {
        QTest::addColumn<bool>("tile");
        QTest::addColumn<bool>("stretch");
        QTest::newRow("centred") << false << false;
        QTest::newRow("tiled") << true << false;
        QTest::newRow("stretched") << false << true;
        QTest::newRow("tile wins over stretch") << true << true;
    }
    void drawsTheLayoutThatWasAskedFor() {
        QFETCH(bool, tile);
        QFETCH(bool, stretch);
        TPicture picture = FilledPicture(20, 10, {200, 30, 40});
        SetColour(picture, 0, 0, {10, 220, 30});
        const TDesktopWallpaper wallpaper{SavePicture("Pic1.bmp", picture), tile, stretch};
        TX11Desktop desktop;
        QVERIFY(desktop.Write(wallpaper));

        // The connection that made the pixmap is closed by now: the background must have stayed.
        const TPicture root = RootPicture();
        QCOMPARE(root.Width, ScreenWidth);
        const TColour red{200, 30, 40}, green{10, 220, 30}, black{0, 0, 0};
        if (tile) {
            QCOMPARE(ColourAt(root, 0, 0), green);
            QCOMPARE(ColourAt(root, 20, 10), green);
            QCOMPARE(ColourAt(root, 41, 21), red);
        } else if (stretch) {
            QCOMPARE(ColourAt(root, 0, 0), green);
            QCOMPARE(ColourAt(root, 63, 47), red);
            QCOMPARE(ColourAt(root, 10, 30), red);
        } else {
            QCOMPARE(ColourAt(root, 21, 19), black);
            QCOMPARE(ColourAt(root, 22, 19), green);
            QCOMPARE(ColourAt(root, 41, 28), red);
            QCOMPARE(ColourAt(root, 42, 28), black);
        }
        QVERIFY(RootPixmap());
        QCOMPARE(RootPixmap("ESETROOT_PMAP_ID"), RootPixmap());
        // Another process (a fresh backend) reads back exactly what was written.
        QCOMPARE(TX11Desktop().Read(), std::optional(wallpaper));
    }

    // Two monitors of different sizes side by side, as RandR names them (and Xinerama tells
    // them): the picture is laid out on each monitor's own rectangle; black where none looks.
    void eachMonitorShowsThePictureOnItsOwn_data() {
        QTest::addColumn<QRect>("left");
        QTest::addColumn<QRect>("right");
        QTest::addColumn<bool>("tile");
        QTest::addColumn<bool>("stretch");
        QTest::addColumn<QList<QPoint>>("green"); // the picture's top left pixel
        QTest::addColumn<QList<QPoint>>("blue");  // its bottom right one
        QTest::addColumn<QList<QPoint>>("black");
        const QRect left(0, 0, 140, 100), right(140, 0, 100, 80);
        QTest::newRow("centred") << left << right << false << false << QList<QPoint>{{50, 35}, {170, 25}}
                                 << QList<QPoint>{{89, 64}, {209, 54}} << QList<QPoint>{{49, 35}, {200, 90}};
        QTest::newRow("tiled") << left << right << true << false
                               << QList<QPoint>{{0, 0}, {40, 30}, {140, 0}, {180, 30}}
                               << QList<QPoint>{{39, 29}, {179, 29}} << QList<QPoint>{{200, 90}};
        QTest::newRow("stretched") << left << right << false << true << QList<QPoint>{{0, 0}, {140, 0}}
                                   << QList<QPoint>{{139, 99}, {239, 79}} << QList<QPoint>{{200, 90}};
        QTest::newRow("two of one size, stretched")
            << QRect(0, 0, 120, 100) << QRect(120, 0, 120, 100) << false << true
            << QList<QPoint>{{0, 0}, {120, 0}} << QList<QPoint>{{119, 99}, {239, 99}} << QList<QPoint>{};
    }
    void eachMonitorShowsThePictureOnItsOwn() {
        QFETCH(QRect, left);
        QFETCH(QRect, right);
        QFETCH(bool, tile);
        QFETCH(bool, stretch);
        QFETCH(QList<QPoint>, green);
        QFETCH(QList<QPoint>, blue);
        QFETCH(QList<QPoint>, black);
        m_server.reset(); // which puts DISPLAY back
        m_server = std::make_unique<TXvfbServer>(240, 100);
        QVERIFY(SetMonitors(left, right));

        TPicture picture = FilledPicture(40, 30, {200, 30, 40});
        SetColour(picture, 0, 0, {10, 220, 30});
        SetColour(picture, 39, 29, {20, 40, 230});
        QVERIFY(TX11Desktop().Write({SavePicture("Pic1.bmp", picture), tile, stretch}, &picture));
        TX11Display display;
        const std::optional<TPicture> root = GetPicture(display, *RootPixmap(), 240, 100);
        QVERIFY(root);
        for (const QPoint& at : green)
            QCOMPARE(ColourAt(*root, at.x(), at.y()), (TColour{10, 220, 30}));
        for (const QPoint& at : blue)
            QCOMPARE(ColourAt(*root, at.x(), at.y()), (TColour{20, 40, 230}));
        for (const QPoint& at : black)
            QCOMPARE(ColourAt(*root, at.x(), at.y()), (TColour{0, 0, 0}));
    }

    // Every pixel arrives as it is, on screens whose rows are not a multiple of four pixels too.
    void usesPixelsItIsGivenWithoutReadingTheFile_data() {
        QTest::addColumn<int>("width");
        QTest::newRow("64 wide") << ScreenWidth;
        QTest::newRow("75 wide") << ScreenWidth + 11;
    }
    void usesPixelsItIsGivenWithoutReadingTheFile() {
        QFETCH(int, width);
        m_server.reset(); // which puts DISPLAY back
        m_server = std::make_unique<TXvfbServer>(width, ScreenHeight);
        const TPicture picture = GradientPicture(width, ScreenHeight);
        TX11Desktop desktop;
        QVERIFY(desktop.Write({m_folder.filePath("not-written-yet.bmp"), false, true}, &picture));
        TX11Display display;
        QCOMPARE(GetPicture(display, display.Root(), width, ScreenHeight)->Pixels, picture.Pixels);
    }

    // The picture is drawn while its file is still being written, and shows only once it is.
    void showsThePictureOnlyOnceItsFileIsWritten_data() {
        QTest::addColumn<bool>("written");
        QTest::newRow("file written") << true;
        QTest::newRow("file failed") << false;
    }
    void showsThePictureOnlyOnceItsFileIsWritten() {
        QFETCH(bool, written);
        TX11Desktop desktop;
        const TDesktopWallpaper first{SavePicture("Pic1.bmp", FilledPicture(8, 8, {9, 9, 9})), false, true};
        QVERIFY(desktop.Write(first));
        const TPicture before = RootPicture();
        const std::optional<unsigned long> pixmap = RootPixmap();
        const TPicture next = FilledPicture(ScreenWidth, ScreenHeight, {1, 2, 250});
        const TDesktopWallpaper second{m_folder.filePath("Pic0.bmp"), false, true};
        bool unchangedWhenAsked = false;
        const bool shown = desktop.WriteWhenSaved(second, next, [&] {
            unchangedWhenAsked = RootPicture().Pixels == before.Pixels && RootPixmap() == pixmap;
            return written;
        });
        QVERIFY(unchangedWhenAsked);
        QCOMPARE(shown, written);
        QCOMPARE(RootPicture().Pixels, written ? next.Pixels : before.Pixels);
        QCOMPARE(desktop.Read(), std::optional(written ? second : first));
    }

    // A downloaded picture of the screen's size goes to the server band by band while it is
    // decoded, and shows only once whole: every pixel as decoded, or, when the picture turns out
    // to be cut off after many rows were drawn, the desktop as it was.
    void drawsADownloadWhileItIsDecoded_data() {
        QTest::addColumn<bool>("cut");
        QTest::newRow("whole") << false;
        QTest::newRow("cut off halfway") << true;
    }
    void drawsADownloadWhileItIsDecoded() {
        QFETCH(bool, cut);
        constexpr int width = 1000, height = 700;
        m_server.reset(); // which puts DISPLAY back
        m_server = std::make_unique<TXvfbServer>(width, height);
        TX11Desktop desktop;
        const TDesktopWallpaper first{SavePicture("Pic1.bmp", FilledPicture(8, 8, {9, 9, 9})), false, true};
        QVERIFY(desktop.Write(first));
        TX11Display display;
        const std::optional<TPicture> before = GetPicture(display, display.Root(), width, height);
        QVERIFY(before);
        const std::optional<unsigned long> pixmap = RootPixmap();
        QByteArray jpeg = EncodeJpeg(GradientPicture(width, height), 90);
        if (cut)
            jpeg.truncate(jpeg.size() / 2);
        QFile download(m_folder.filePath("TMP.jpg"));
        QVERIFY(download.open(QIODevice::WriteOnly));
        QCOMPARE(download.write(jpeg), jpeg.size());
        download.close();

        const TResult<QString> installed =
            InstallWallpaper(desktop, download.fileName(), true, m_folder.path());
        const std::optional<TPicture> after = GetPicture(display, display.Root(), width, height);
        QVERIFY(after);
        if (cut) {
            QVERIFY(!installed);
            QCOMPARE(after->Pixels, before->Pixels);
            QCOMPARE(RootPixmap(), pixmap);
            QCOMPARE(desktop.Read(), std::optional(first));
            return;
        }
        QVERIFY2(installed, qPrintable(installed.Error()));
        QCOMPARE(after->Pixels, DecodeJpeg(jpeg)->Pixels);
        QCOMPARE(desktop.Read()->Path, *installed);
    }

    // Rows that come in several bands go to the other monitor band by band, each to its own place.
    void copiesEachBandToTheOtherMonitor() {
        constexpr int width = 1000, height = 700;
        m_server.reset(); // which puts DISPLAY back
        m_server = std::make_unique<TXvfbServer>(2 * width, height);
        QVERIFY(SetMonitors({0, 0, width, height}, {width, 0, width, height}));
        const TPicture picture = GradientPicture(width, height);
        TDecodedRows rows;
        // A decoder slower than the server, so that the rows are taken a band at a time.
        std::thread decoder([&] {
            rows.Begin(picture);
            for (int done = height / 4; done < height; done += height / 4) {
                QThread::msleep(50);
                rows.RowsDone(done);
            }
            rows.Finish(&picture);
        });
        const bool shown = TX11Desktop().WriteWhenDecoded(
            {m_folder.filePath("Pic1.bmp"), false, true}, rows, [&picture] { return &picture; },
            [] { return true; });
        decoder.join();
        QVERIFY(shown);
        TX11Display display;
        const std::optional<TPicture> screen = GetPicture(display, display.Root(), 2 * width, height);
        QVERIFY(screen);
        QCOMPARE(RowsNotShown(*screen, picture, 2), QString());
    }

    void eachInstallFreesThePreviousPixmap() {
        TX11Desktop desktop;
        QVERIFY(desktop.Write({SavePicture("Pic1.bmp", FilledPicture(8, 8, {9, 9, 9})), false, false}));
        const unsigned long first = RootPixmap().value_or(0);
        QVERIFY(PixmapExists(first));
        QVERIFY(desktop.Write({SavePicture("Pic0.bmp", FilledPicture(8, 8, {7, 7, 7})), false, false}));
        QVERIFY(RootPixmap().value_or(0) != first);
        QVERIFY(!PixmapExists(first));
    }

    void savesAndRestoresAnotherProgramsBackground() {
        SetForeignBackground({30, 60, 90}, ScreenWidth, ScreenHeight);
        const TPicture before = RootPicture();
        TX11Desktop desktop;
        const std::optional<TDesktopSnapshot> saved = desktop.Snapshot();
        QVERIFY(saved);
        QCOMPARE(saved->Wallpaper.Path, TX11Desktop::SavedBackgroundPath());
        QVERIFY(!saved->Wallpaper.Tile);
        QVERIFY(QFile::exists(saved->Wallpaper.Path));

        const QString cam = SavePicture("Pic1.bmp", FilledPicture(10, 10, {255, 255, 0}));
        QVERIFY(desktop.Write({cam, false, true}));
        QCOMPARE(ColourAt(RootPicture(), 5, 5), (TColour{255, 255, 0}));
        // A later start (or a start after a crash) sees our own bitmap and leaves the saved one alone.
        QCOMPARE(TX11Desktop().Read()->Path, cam);

        QVERIFY(desktop.Restore(*saved));
        QCOMPARE(RootPicture().Pixels, before.Pixels);
    }

    void neverEndsAnotherProgram() {
        // A program that keeps running and set the root background the conventional way.
        TX11Display other;
        const Pixmap pixmap = XCreatePixmap(other.Handle(), other.Root(), 8, 8, unsigned(other.Depth()));
        other.WritePixmapProperty("_XROOTPMAP_ID", pixmap);
        other.WritePixmapProperty("ESETROOT_PMAP_ID", pixmap);
        XSync(other.Handle(), False);
        TX11Desktop desktop;
        QVERIFY(desktop.Read());
        QVERIFY(desktop.Write({SavePicture("Pic1.bmp", FilledPicture(4, 4, {1, 1, 1})), false, false}));
        QVERIFY(PixmapExists(pixmap));
        TX11ErrorTrap trap(other);
        XNoOp(other.Handle());
        QVERIFY(!trap.Failed());
    }

    void givesASmallForeignPixmapAsTiled() {
        SetForeignBackground({30, 60, 90}, 16, 16);
        const std::optional<TDesktopSnapshot> saved = TX11Desktop().Snapshot();
        QVERIFY(saved);
        QVERIFY(saved->Wallpaper.Tile);
        const TPicture before = RootPicture();
        TX11Desktop desktop;
        QVERIFY(desktop.Write({SavePicture("Pic1.bmp", FilledPicture(10, 10, {255, 255, 0})), false, false}));
        QVERIFY(desktop.Restore(*saved));
        QCOMPARE(RootPicture().Pixels, before.Pixels);
    }

    // xsetroot -solid, as with tiling window managers: no pixmap is announced and the colour is
    // all there is. The colour comes back, not a black screen, and not the windows that covered
    // the root when it was remembered.
    void aPlainColourComesBack_data() { AddRunEnds(); }
    void aPlainColourComesBack() {
        QFETCH(TRunEnd, end);
        QVERIFY(QProcess::execute(QStringLiteral("xsetroot"), {"-solid", "#2a6b8c"}) == 0);
        const TPicture colour = FilledPicture(ScreenWidth, ScreenHeight, {0x2a, 0x6b, 0x8c});
        QCOMPARE(RootPicture().Pixels, colour.Pixels);
        {
            TX11Display other;
            CoverPartOfTheScreen(other);
            RunAndRestore([] { return std::make_unique<TX11Desktop>(); }, end, m_folder.path());
            if (QTest::currentTestFailed())
                return;
        }
        QCOMPARE(RootPicture().Pixels, colour.Pixels);
        QVERIFY(!RootPixmap());
        QVERIFY(!RootPixmap("ESETROOT_PMAP_ID"));
    }

    // A picture put on the root without announcing it comes back as it showed.
    void anUnannouncedPictureComesBack() {
        TPicture picture = FilledPicture(ScreenWidth, ScreenHeight, {200, 10, 10});
        SetColour(picture, 3, 4, {0, 250, 0});
        {
            TX11Display display;
            const Pixmap pixmap = XCreatePixmap(display.Handle(), display.Root(), ScreenWidth, ScreenHeight,
                                                unsigned(display.Depth()));
            PutPicture(display, pixmap, picture);
            XSetWindowBackgroundPixmap(display.Handle(), display.Root(), pixmap);
            XClearWindow(display.Handle(), display.Root());
            XFreePixmap(display.Handle(), pixmap);
        }
        RunAndRestore([] { return std::make_unique<TX11Desktop>(); }, TRunEnd::ShutDown, m_folder.path());
        QCOMPARE(RootPicture().Pixels, picture.Pixels);
    }

    // The stand-in for a root that could not be read gives the server its own background again.
    void theServersBackgroundStandInRemovesOurPixmap() {
        const TPicture before = RootPicture();
        TX11Desktop desktop;
        QVERIFY(desktop.Write({SavePicture("Pic1.bmp", FilledPicture(10, 10, {255, 0, 255})), false, true}));
        const unsigned long ours = RootPixmap().value_or(0);
        QVERIFY(desktop.Write({TX11Desktop::DefaultBackgroundPath(), false, false}));
        QCOMPARE(RootPicture().Pixels, before.Pixels);
        QVERIFY(!RootPixmap());
        QVERIFY(!PixmapExists(ours));
    }

    void survivesAStalePixmapId() {
        {
            TX11Display display;
            display.WritePixmapProperty("_XROOTPMAP_ID", 0x7ffff0);
            display.WritePixmapProperty("ESETROOT_PMAP_ID", 0x7ffff0);
        }
        const TPicture before = RootPicture();
        TX11Desktop desktop;
        const std::optional<TDesktopSnapshot> saved = desktop.Snapshot();
        QVERIFY(saved);
        QVERIFY(desktop.Write({SavePicture("Pic1.bmp", FilledPicture(4, 4, {1, 1, 1})), false, false}));
        QVERIFY(desktop.Restore(*saved));
        QCOMPARE(RootPicture().Pixels, before.Pixels);
    }

    void leavesTheDesktopAloneWhenThePictureIsUnusable_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("missing file") << "missing.bmp" << QByteArray();
        QTest::newRow("PNG") << "cam.png" << QByteArray("\x89PNG\r\n\x1a\n");
        QTest::newRow("broken bitmap") << "Pic1.bmp" << QByteArray("BM broken");
    }
    void leavesTheDesktopAloneWhenThePictureIsUnusable() {
        QFETCH(QString, name);
        QFETCH(QByteArray, content);
        const QString path = m_folder.filePath(name);
        QFile::remove(path);
        if (!content.isEmpty()) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(content);
        }
        const TPicture before = RootPicture();
        QVERIFY(!TX11Desktop().Write({path, false, true}));
        QCOMPARE(RootPicture().Pixels, before.Pixels);
        QVERIFY(!RootPixmap());
    }

    void failsCleanlyWithoutAnXServer() {
        const QByteArray display = qgetenv("DISPLAY");
        qputenv("DISPLAY", ":9999");
        TX11Desktop desktop;
        const TPicture picture = FilledPicture(4, 4, {1, 2, 3});
        QVERIFY(!desktop.Read());
        QVERIFY(!desktop.Write({"/tmp/x.bmp", false, false}, &picture));
        qputenv("DISPLAY", display);
    }
};

QTEST_GUILESS_MAIN(TestDesktopX11)
#include "tst_desktopx11.moc"
