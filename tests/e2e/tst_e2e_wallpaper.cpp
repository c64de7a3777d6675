// End to end on a real X server (Xvfb) with a real tray host (trayer): lumora fetches the stored
// cam's picture from a local server, the root window shows it, a second start ends at once, and
// "Shut down" from the tray menu, or SIGTERM, puts the previous root background back.
#include "E2EHarness.h"
#include "TestHttpServer.h"
#include "platform/Desktop.h"
#include "platform/SettingsKey.h"
#include "wallpaper/PictureEncoders.h"

#include <QDir>
#include <QProcess>
#include <QTest>
#include <csignal>

using namespace E2E;

namespace {

const Rgb Previous{30, 90, 160};
const Rgb Cam{210, 60, 40};

} // namespace

class TestE2EWallpaper : public QObject {
    Q_OBJECT
private:
    TestHttpServer m_server;
    QProcess m_trayer;
    QString m_previousBitmap;

    void StartLumora(QProcess& lumora) {
        // The same server answers the catalogue request and serves the cam.
        lumora.setProcessEnvironment(LumoraEnvironment("cams.test", m_server.ConnectToRule("cams.test")));
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
        m_server.Serve("/lmr/camlist3.php",
                       "object=cam\r\nrefid=3\r\nurl=http://cams.test/live/harbour.jpg\r\nname=Harbour\r\n"
                       "refresh=60\r\ncategory=Sea\r\ncountry=Portugal\r\nend\r\n",
                       "text/plain");

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

        QVERIFY(StartTrayer(m_trayer));
    }

    void cleanupTestCase() { Stop(m_trayer); }

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
        QVERIFY(OpenTrayMenu());
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
