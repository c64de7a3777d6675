// End to end on a real X server (Xvfb) with a real tray host (trayer) and a session manager of the
// test's own: a desktop saving its session (a checkpoint) leaves lumora running with the cam on the
// desktop, and the end of the session ("save yourself" before shutting down, then "die") ends it
// even while its configuration window is shown, with the user's own background put back.
#include "E2EHarness.h"
#include "HarbourCam.h"
#include "SessionManager.h"
#include "core/picture/PictureEncoders.h"
#include "platform/desktop/DesktopChoice.h"

#include <QDir>
#include <QProcess>
#include <QTest>

using namespace E2E;

namespace {

const Rgb Previous{30, 90, 160};
const Rgb Cam{210, 60, 40};

// Below the tray along the top edge, beside the middle where lumora's windows open.
const QPoint Corner{0, 599};

// A left click on the tray icon opens the configuration window (the only 597 x 398 window).
bool ShowConfigurationWindow() {
    for (int attempt = 0; attempt < 3; ++attempt) {
        const std::optional<QPoint> icon = TrayIconCentre();
        if (!icon || !ClickAt(*icon))
            return false;
        if (QTest::qWaitFor([] { return !VisibleWindowsOfSize(597, 398).isEmpty(); }, 5000))
            return true;
    }
    return false;
}

} // namespace

class TestE2ESession : public QObject {
    Q_OBJECT
    TestHttpServer m_server;
    QProcess m_trayer;

private Q_SLOTS:
    void initTestCase() {
        if (qEnvironmentVariableIsEmpty("DISPLAY"))
            QSKIP("needs an X server (run through xvfb-run)");
        QVERIFY(m_server.IsListening());
        ServeAndStoreHarbourCam(m_server, Cam);
        QVERIFY(StartTrayer(m_trayer));
    }

    void cleanupTestCase() { Stop(m_trayer); }

    void aCheckpointKeepsTheCamAndTheSessionsEndPutsTheBackgroundBack() {
        // The user's background, announced as feh or nitrogen announce theirs.
        const QString previous = QDir::home().filePath(QStringLiteral("previous.bmp"));
        QCOMPARE(WriteBmpFile(previous, Filled(64, 48, Previous)).Error(), QString());
        qputenv("LUMORA_DESKTOP", "x11");
        QVERIFY(CreateDesktop()->Write({previous, false, true}));
        QVERIFY(WaitForRoot(Previous, 5000));

        TSessionManager manager;
        QVERIFY(!manager.Address().isEmpty());
        QProcess lumora;
        QProcessEnvironment env = LumoraEnvironment("cams.test", m_server.ConnectToRule("cams.test"));
        env.insert(QStringLiteral("SESSION_MANAGER"), QString::fromLatin1(manager.Address()));
        lumora.setProcessEnvironment(env);
        lumora.setProcessChannelMode(QProcess::ForwardedChannels);
        lumora.start(QStringLiteral(LUMORA_BINARY), {});
        QVERIFY(lumora.waitForStarted());
        const auto running = [&] { return lumora.state() == QProcess::Running; };

        // Registered, and done with the first save the manager asks of every new client.
        QVERIFY2(QTest::qWaitFor([&] { return manager.SavesDone() == 1 || !running(); }, 20000),
                 "lumora did not register with the session manager");
        QCOMPARE(manager.Registrations(), 1);
        QVERIFY2(
            QTest::qWaitFor([&] { return Near(RootAt(Corner.x(), Corner.y()), Cam) || !running(); }, 20000),
            Describe(RootAt(Corner.x(), Corner.y())).constData());
        QVERIFY2(running(), "lumora ended after the session's first save");

        // A checkpoint: the desktop saves its session (Qt asks the program to commit its data) and
        // goes on.
        manager.SaveYourself(false);
        QVERIFY2(QTest::qWaitFor([&] { return manager.SavesDone() == 2; }, 10000),
                 "no answer to the checkpoint");
        QTest::qWait(3000);
        QVERIFY2(running(), "a session checkpoint ended lumora");
        QVERIFY2(Near(RootAt(Corner.x(), Corner.y()), Cam),
                 Describe(RootAt(Corner.x(), Corner.y())).constData());
        QCOMPARE(manager.Clients(), 1);

        // The end of the session, while the configuration window is shown: a quit that asks the
        // windows to close first would end nothing, as that window only hides.
        QVERIFY2(ShowConfigurationWindow(), "the configuration window did not open");
        manager.SaveYourself(true);
        QVERIFY2(QTest::qWaitFor([&] { return manager.SavesDone() == 3; }, 10000),
                 "no answer before the end");
        QVERIFY(running());
        manager.Die();
        QVERIFY2(QTest::qWaitFor([&] { return !running(); }, 10000), "the session's end did not end lumora");
        QCOMPARE(lumora.exitStatus(), QProcess::NormalExit);
        QCOMPARE(lumora.exitCode(), 0);
        QVERIFY2(WaitForRoot(Previous, 5000), Describe(RootCentre()).constData());
    }
};

QTEST_GUILESS_MAIN(TestE2ESession)
#include "tst_e2e_session.moc"
