// End to end on a real X server (Xvfb) with a real tray host (trayer): lumora fetches the stored
// cam's picture from a local server every second and installs it, a second start ends at once, and
// "Shut down" from the tray menu, SIGTERM, or the end of the next start after a crash put the
// user's own background back exactly: a plain colour on the bare root window, a picture another
// program announced, and GNOME's day and night pictures with their layout.
#include "E2EHarness.h"
#include "HarbourCam.h"
#include "core/picture/PictureEncoders.h"
#include "platform/desktop/DesktopChoice.h"
#include "platform/desktop/DesktopX11.h"
#include "platform/desktop/X11Display.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>
#include <QUrl>
#include <csignal>
#include <functional>

using namespace E2E;

namespace {

const Rgb Previous{30, 90, 160};
const Rgb Plain{0x2a, 0x6b, 0x8c};
const Rgb Cam{210, 60, 40};

// The bitmap lumora installed last, as the root window's record of it says; empty before the first.
QString InstalledOnRoot() {
    qputenv("LUMORA_DESKTOP", "x11");
    return CreateDesktop()->Read().value_or(TDesktopWallpaper{}).Path;
}

QProcessEnvironment GnomeKeyfile(QProcessEnvironment env) {
    env.insert(QStringLiteral("GSETTINGS_BACKEND"), QStringLiteral("keyfile"));
    return env;
}

QByteArray Gnome(const QStringList& arguments) {
    QProcess tool;
    tool.setProcessEnvironment(GnomeKeyfile(QProcessEnvironment::systemEnvironment()));
    tool.start(QStringLiteral("gsettings"), arguments);
    tool.waitForFinished(10000);
    return tool.readAllStandardOutput().trimmed();
}

QByteArray GnomeValue(const QString& key) {
    return Gnome({QStringLiteral("get"), QStringLiteral("org.gnome.desktop.background"), key});
}

void SetGnomeValue(const QString& key, const QString& value) {
    Gnome({QStringLiteral("set"), QStringLiteral("org.gnome.desktop.background"), key, value});
}

// Waits until the installed bitmap has changed `installs` times: each install alternates it.
bool WaitForInstalls(const std::function<QString()>& installed, int installs) {
    QString last = installed();
    int seen = 0;
    return QTest::qWaitFor(
        [&] {
            const QString now = installed();
            if (!now.isEmpty() && now != last) {
                ++seen;
                last = now;
            }
            return seen >= installs;
        },
        30000);
}

bool RootShowsEverywhere(const Rgb& colour) {
    // Below the tray along the top edge: the centre and the bottom corners.
    return Near(RootCentre(), colour) && Near(RootAt(0, 599), colour) && Near(RootAt(1023, 599), colour);
}

bool RootHasAnnouncedPixmap() {
    return TX11Display().ReadPixmapProperty("_XROOTPMAP_ID").has_value();
}

} // namespace

class TestE2EWallpaper : public QObject {
    Q_OBJECT
private:
    TestHttpServer m_server;
    QProcess m_trayer;
    QString m_previousBitmap;

    void StartLumora(QProcess& lumora, const QByteArray& desktop = "x11") {
        // The same server answers the catalogue request and serves the cam.
        QProcessEnvironment env = LumoraEnvironment("cams.test", m_server.ConnectToRule("cams.test"));
        env.insert(QStringLiteral("LUMORA_DESKTOP"), QString::fromLatin1(desktop));
        lumora.setProcessEnvironment(GnomeKeyfile(env));
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

    // What a tiling window manager's start-up does: a plain colour on the bare root window.
    void SetPlainColour() {
        if (RootHasAnnouncedPixmap()) {
            // Take the pixmap of an earlier test away again, as a user's fresh session has none.
            QVERIFY(TX11Desktop().Write({TX11Desktop::DefaultBackgroundPath(), false, false}));
        }
        QVERIFY(Run(QStringLiteral("xsetroot"), {"-solid", "#2a6b8c"}));
        QVERIFY(RootShowsEverywhere(Plain));
        QVERIFY(!RootHasAnnouncedPixmap());
    }

    // Right click on the icon at the tray's right end, then the menu's last entry, "Shut down".
    void ShutDownFromTheTrayMenu(QProcess& lumora) {
        QVERIFY2(OpenTrayMenu(), "the tray menu did not open");
        QVERIFY(Run(QStringLiteral("xdotool"), {"key", "Up", "sleep", "0.2", "key", "Return"}));
        QVERIFY(lumora.waitForFinished(10000));
        QCOMPARE(lumora.exitStatus(), QProcess::NormalExit);
        QCOMPARE(lumora.exitCode(), 0);
    }

private Q_SLOTS:
    void initTestCase() {
        if (qEnvironmentVariableIsEmpty("DISPLAY"))
            QSKIP("needs an X server (run through xvfb-run)");
        QVERIFY(m_server.IsListening());
        ServeAndStoreHarbourCam(m_server, Cam);
        m_previousBitmap = QDir::home().filePath(QStringLiteral("previous.bmp"));
        QCOMPARE(WriteBmpFile(m_previousBitmap, Filled(64, 48, Previous)).Error(), QString());

        QVERIFY(StartTrayer(m_trayer));
    }

    void cleanupTestCase() { Stop(m_trayer); }

    void shutDownPutsAPlainColourBackAfterRefreshes() {
        SetPlainColour();
        QProcess lumora;
        StartLumora(lumora);
        QVERIFY2(WaitForRoot(Cam, 20000), Describe(RootCentre()).constData());
        QVERIFY2(WaitForInstalls(InstalledOnRoot, 2), "the cam picture was not installed again");
        // The pictures came through the fetcher beside the program; the program itself never loads
        // the HTTP library.
        QFile maps(QStringLiteral("/proc/%1/maps").arg(lumora.processId()));
        QVERIFY(maps.open(QIODevice::ReadOnly));
        QVERIFY(!maps.readAll().contains("libcurl"));

        // Downloads go to the cache folder, the installed pictures to the data folder.
        const QDir cache(qEnvironmentVariable("XDG_CACHE_HOME") + QStringLiteral("/lumora"));
        const QDir data(qEnvironmentVariable("XDG_DATA_HOME") + QStringLiteral("/lumora"));
        QVERIFY(!cache.entryList({QStringLiteral("TMP.*")}, QDir::Files).isEmpty());
        QVERIFY(data.entryList({QStringLiteral("TMP.*")}, QDir::Files).isEmpty());
        QVERIFY(!data.entryList({QStringLiteral("Pic*.bmp")}, QDir::Files).isEmpty());

        // A second start ends at once and leaves the first running.
        QProcess second;
        StartLumora(second);
        QVERIFY(second.waitForFinished(5000));
        QCOMPARE(second.exitCode(), 0);
        QCOMPARE(lumora.state(), QProcess::Running);

        ShutDownFromTheTrayMenu(lumora);
        QVERIFY2(QTest::qWaitFor([] { return RootShowsEverywhere(Plain); }, 5000),
                 Describe(RootCentre()).constData());
        QVERIFY(!RootHasAnnouncedPixmap());
        QVERIFY2(!cache.exists(), "the downloads stayed after the program ended");
    }

    void shutDownPutsGnomesDayAndNightPicturesBack() {
        const QString day = QDir::home().filePath(QStringLiteral("day.bmp"));
        const QString night = QDir::home().filePath(QStringLiteral("night.bmp"));
        QCOMPARE(WriteBmpFile(day, Filled(8, 8, Previous)).Error(), QString());
        QCOMPARE(WriteBmpFile(night, Filled(8, 8, Plain)).Error(), QString());
        const QString dayUri = QString::fromUtf8(QUrl::fromLocalFile(day).toEncoded());
        const QString nightUri = QString::fromUtf8(QUrl::fromLocalFile(night).toEncoded());
        SetGnomeValue(QStringLiteral("picture-uri"), dayUri);
        SetGnomeValue(QStringLiteral("picture-uri-dark"), nightUri);
        SetGnomeValue(QStringLiteral("picture-options"), QStringLiteral("zoom"));

        QProcess lumora;
        StartLumora(lumora, "gnome");
        const auto installed = [] { return QString::fromUtf8(GnomeValue(QStringLiteral("picture-uri"))); };
        QVERIFY2(QTest::qWaitFor([&] { return installed().contains(QStringLiteral("/lumora/Pic")); }, 20000),
                 "the cam picture was not installed");
        QVERIFY2(WaitForInstalls(installed, 2), "the cam picture was not installed again");
        QCOMPARE(GnomeValue(QStringLiteral("picture-uri-dark")), GnomeValue(QStringLiteral("picture-uri")));

        ShutDownFromTheTrayMenu(lumora);
        QCOMPARE(GnomeValue(QStringLiteral("picture-uri")), ("'" + dayUri + "'").toUtf8());
        QCOMPARE(GnomeValue(QStringLiteral("picture-uri-dark")), ("'" + nightUri + "'").toUtf8());
        QCOMPARE(GnomeValue(QStringLiteral("picture-options")), QByteArray("'zoom'"));
    }

    // A background another program announced (feh, hsetroot, xwallpaper, nitrogen).
    void sigtermPutsAnAnnouncedBackgroundBack() {
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
        SetPlainColour();
        QProcess lumora;
        StartLumora(lumora);
        QVERIFY2(WaitForRoot(Cam, 20000), Describe(RootCentre()).constData());
        lumora.kill();
        QVERIFY(lumora.waitForFinished(5000));
        QVERIFY(Near(RootCentre(), Cam));

        QProcess next;
        StartLumora(next);
        // The next start is running once it installs a picture of its own.
        QVERIFY2(WaitForInstalls(InstalledOnRoot, 1), "the next start installed nothing");
        ::kill(pid_t(next.processId()), SIGTERM);
        QVERIFY(next.waitForFinished(10000));
        QVERIFY2(QTest::qWaitFor([] { return RootShowsEverywhere(Plain); }, 5000),
                 Describe(RootCentre()).constData());
        QVERIFY(!RootHasAnnouncedPixmap());
    }
};

QTEST_GUILESS_MAIN(TestE2EWallpaper)
#include "tst_e2e_wallpaper.moc"
