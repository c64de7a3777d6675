// End to end on a real X server (Xvfb) with a real tray host (trayer): lumora fetches the stored
// cam's picture from a local server, the root window shows it, a second start ends at once, and
// "Shut down" from the tray menu, or SIGTERM, puts the previous root background back.
#include "TestHttpServer.h"
#include "platform/Desktop.h"
#include "platform/SettingsKey.h"
#include "wallpaper/PictureEncoders.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTest>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <csignal>

namespace {

struct Rgb {
    int Red = 0, Green = 0, Blue = 0;
    bool operator==(const Rgb&) const = default;
};

QByteArray Describe(const Rgb& c) {
    return QStringLiteral("root shows rgb(%1,%2,%3)").arg(c.Red).arg(c.Green).arg(c.Blue).toLatin1();
}

bool Near(const Rgb& a, const Rgb& b) {
    return std::abs(a.Red - b.Red) < 12 && std::abs(a.Green - b.Green) < 12 && std::abs(a.Blue - b.Blue) < 12;
}

TPicture Filled(int width, int height, Rgb c) {
    TPicture picture = MakePicture(width, height);
    for (qsizetype i = 0; i < picture.Pixels.size(); i += 3) {
        picture.Pixels[i] = char(c.Blue);
        picture.Pixels[i + 1] = char(c.Green);
        picture.Pixels[i + 2] = char(c.Red);
    }
    return picture;
}

// What the root window shows at its centre.
Rgb RootCentre() {
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return {-1, -1, -1};
    const int screen = DefaultScreen(display);
    const Window root = RootWindow(display, screen);
    XImage* image = XGetImage(display, root, DisplayWidth(display, screen) / 2,
                              DisplayHeight(display, screen) / 2, 1, 1, AllPlanes, ZPixmap);
    Rgb colour{-1, -1, -1};
    if (image) {
        const unsigned long pixel = XGetPixel(image, 0, 0);
        colour = {int((pixel & image->red_mask) >> 16), int((pixel & image->green_mask) >> 8),
                  int(pixel & image->blue_mask)};
        XDestroyImage(image);
    }
    XCloseDisplay(display);
    return colour;
}

bool WaitForRoot(const Rgb& expected, int milliseconds) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < milliseconds) {
        if (Near(RootCentre(), expected))
            return true;
        QTest::qWait(100);
    }
    return false;
}

bool Run(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    return process.waitForFinished(10000) && process.exitStatus() == QProcess::NormalExit &&
           process.exitCode() == 0;
}

const Rgb Previous{30, 90, 160};
const Rgb Cam{210, 60, 40};

} // namespace

class TestE2EWallpaper : public QObject {
    Q_OBJECT
private:
    TestHttpServer m_server;
    QProcess m_trayer;
    QString m_previousBitmap;

    QProcessEnvironment LumoraEnvironment() const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        env.insert(QStringLiteral("LUMORA_DESKTOP"), QStringLiteral("x11"));
        env.insert(QStringLiteral("LUMORA_CONNECT_TO"),
                   QString::fromLatin1(m_server.ConnectToRule("cams.test")));
        return env;
    }

    void StartLumora(QProcess& lumora) {
        lumora.setProcessEnvironment(LumoraEnvironment());
        lumora.setProcessChannelMode(QProcess::ForwardedChannels);
        lumora.start(QStringLiteral(LUMORA_BINARY), {});
        QVERIFY(lumora.waitForStarted());
    }

    void InstallPrevious() {
        qputenv("LUMORA_DESKTOP", "x11");
        const std::unique_ptr<TDesktop> desktop = CreateDesktop();
        QVERIFY(desktop->Write({m_previousBitmap, false, true}));
        QVERIFY(WaitForRoot(Previous, 5000));
    }

private Q_SLOTS:
    void initTestCase() {
        if (qEnvironmentVariableIsEmpty("DISPLAY"))
            QSKIP("needs an X server (run through xvfb-run)");
        QVERIFY(m_server.IsListening());
        m_server.Serve("/live/harbour.jpg", EncodeJpeg(Filled(320, 240, Cam), 95), "image/jpeg");

        m_previousBitmap = QDir::home().filePath(QStringLiteral("previous.bmp"));
        QCOMPARE(WriteBmpFile(m_previousBitmap, Filled(64, 48, Previous)), QString());

        std::optional<TSettingsKey> key = TSettingsKey::Open(TSettingsKey::OpenMode::CreateIfMissing);
        QVERIFY(key);
        key->WriteString(QStringLiteral("URL"), "http://cams.test/live/harbour.jpg");
        key->WriteString(QStringLiteral("Name"), "Harbour");
        key->WriteInteger(QStringLiteral("RefID"), 3);
        key->WriteInteger(QStringLiteral("Refresh"), 60);
        key->WriteBool(QStringLiteral("Active"), true);
        key->WriteBool(QStringLiteral("ShowMessages"), false);
        key->WriteBool(QStringLiteral("Stretch"), true);
        QVERIFY(key->Close());

        m_trayer.start(QStringLiteral("trayer"), {"--edge", "top", "--align", "right", "--widthtype", "pixel",
                                                  "--width", "120", "--height", "28", "--SetDockType", "true",
                                                  "--transparent", "false", "--tint", "0x303030"});
        QVERIFY(m_trayer.waitForStarted());
        QTest::qWait(1000);
    }

    void cleanupTestCase() {
        if (m_trayer.state() != QProcess::NotRunning) {
            m_trayer.terminate();
            m_trayer.waitForFinished(3000);
        }
    }

    void shutDownFromTheTrayMenuPutsTheBackgroundBack() {
        InstallPrevious();
        QProcess lumora;
        StartLumora(lumora);
        QVERIFY2(WaitForRoot(Cam, 20000), Describe(RootCentre()).constData());

        // A second start ends at once and leaves the first running.
        QProcess second;
        StartLumora(second);
        QVERIFY(second.waitForFinished(5000));
        QCOMPARE(second.exitCode(), 0);
        QCOMPARE(lumora.state(), QProcess::Running);

        // Right click on the icon at the tray's right end, then the menu's last entry, "Shut down".
        QProcess geometry;
        geometry.start(QStringLiteral("xdotool"),
                       {"search", "--onlyvisible", "--class", "trayer", "getwindowgeometry", "--shell"});
        QVERIFY(geometry.waitForFinished(5000));
        int x = 0, y = 0, width = 0, height = 0;
        for (const QByteArray& line : geometry.readAllStandardOutput().split('\n')) {
            if (line.startsWith("X="))
                x = line.mid(2).toInt();
            else if (line.startsWith("Y="))
                y = line.mid(2).toInt();
            else if (line.startsWith("WIDTH="))
                width = line.mid(6).toInt();
            else if (line.startsWith("HEIGHT="))
                height = line.mid(7).toInt();
        }
        QVERIFY(width > 0 && height > 0);
        const QString iconX = QString::number(x + width - height / 2);
        const QString iconY = QString::number(y + height / 2);
        QVERIFY(Run(QStringLiteral("xdotool"), {"mousemove", iconX, iconY, "sleep", "0.3", "click", "3"}));
        QTest::qWait(800);
        QVERIFY(Run(QStringLiteral("xdotool"), {"key", "Up", "sleep", "0.2", "key", "Return"}));

        QVERIFY(lumora.waitForFinished(10000));
        QCOMPARE(lumora.exitCode(), 0);
        QVERIFY2(WaitForRoot(Previous, 5000), Describe(RootCentre()).constData());
    }

    void sigtermPutsTheBackgroundBack() {
        InstallPrevious();
        QProcess lumora;
        StartLumora(lumora);
        QVERIFY2(WaitForRoot(Cam, 20000), Describe(RootCentre()).constData());
        ::kill(pid_t(lumora.processId()), SIGTERM);
        QVERIFY(lumora.waitForFinished(10000));
        QCOMPARE(lumora.exitStatus(), QProcess::NormalExit);
        QVERIFY2(WaitForRoot(Previous, 5000), Describe(RootCentre()).constData());
    }

    // A program that died with a cam picture on the desktop: the next start must still put the
    // user's own background back at its end.
    void crashKeepsTheSavedBackground() {
        InstallPrevious();
        QProcess lumora;
        StartLumora(lumora);
        QVERIFY2(WaitForRoot(Cam, 20000), Describe(RootCentre()).constData());
        lumora.kill();
        QVERIFY(lumora.waitForFinished(5000));
        QVERIFY(Near(RootCentre(), Cam));

        QProcess next;
        StartLumora(next);
        QTest::qWait(2000);
        QVERIFY(Near(RootCentre(), Cam));
        ::kill(pid_t(next.processId()), SIGTERM);
        QVERIFY(next.waitForFinished(10000));
        QVERIFY2(WaitForRoot(Previous, 5000), Describe(RootCentre()).constData());
    }
};

QTEST_GUILESS_MAIN(TestE2EWallpaper)
#include "tst_e2e_wallpaper.moc"
