// The first live slice on a real X server with a tray host: lumora against the demo catalogue of
// lumora-server, a stored cam refreshed at its interval, and the no-connection notice with Retry
// and Exit.
#include "E2EHarness.h"
#include "TestHttpServer.h"
#include "core/StoredSettings.h"
#include "core/picture/PictureEncoders.h"
#include "platform/desktop/DesktopChoice.h"
#include "server/ServerHarness.h"

#include <QDir>
#include <QFile>
#include <QTcpServer>
#include <QTest>
#include <csignal>

using namespace E2E;

namespace {

const Rgb Previous{30, 90, 160};
const Rgb Cam{210, 60, 40};
// A point of the wallpaper that no window covers.
const QPoint Corner{40, 560};

void StoreCam(const QByteArray& url, int refresh) {
    QVERIFY((TStoredSettings{url, "Station Clock", 1, refresh}.Store()));
}

// A port of 127.0.0.1 on which nothing listens, for a catalogue server started later.
quint16 FreePort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

// The attention box is the only 300 x 193 window.
std::optional<QPoint> WaitForAttentionBox(int milliseconds) {
    std::optional<QPoint> place;
    (void)QTest::qWaitFor(
        [&] {
            const QList<QPoint> boxes = VisibleWindowsOfSize(300, 193);
            if (!boxes.isEmpty())
                place = boxes.first();
            return place.has_value();
        },
        milliseconds);
    return place;
}

} // namespace

class TestE2ECatalogue : public QObject {
    Q_OBJECT
    QProcess m_trayer;
    QString m_previousBitmap;

    void StartLumora(QProcess& lumora, const QByteArray& connectTo) {
        lumora.setProcessEnvironment(LumoraEnvironment("localhost", connectTo));
        lumora.setProcessChannelMode(QProcess::ForwardedChannels);
        lumora.start(QStringLiteral(LUMORA_BINARY), {});
        QVERIFY(lumora.waitForStarted());
    }

    void InstallPrevious() {
        qputenv("LUMORA_DESKTOP", "x11");
        QVERIFY(CreateDesktop()->Write({m_previousBitmap, false, true}));
        QVERIFY(WaitForRoot(Previous, 5000));
    }

private Q_SLOTS:
    void initTestCase() {
        if (qEnvironmentVariableIsEmpty("DISPLAY"))
            QSKIP("needs an X server (run through xvfb-run)");
        m_previousBitmap = QDir::home().filePath(QStringLiteral("previous.bmp"));
        QCOMPARE(WriteBmpFile(m_previousBitmap, Filled(64, 48, Previous)).Error(), QString());
        QVERIFY(StartTrayer(m_trayer));
    }

    void cleanupTestCase() { Stop(m_trayer); }

    void init() {
        QFile::remove(TSettingsKey::FilePath());
        InstallPrevious();
    }

    // The demo's station clock changes every second; a refresh of two seconds must show new
    // pictures on the desktop tick after tick, once the catalogue reply has switched the timer on.
    void storedCamIsRefreshedAtItsInterval() {
        TRunningServer server;
        QVERIFY(
            server.Start(QDir::home().filePath(QStringLiteral("catalogue.db")), {QStringLiteral("--demo")}));
        StoreCam("http://localhost/demo/clock-london.jpg", 2);
        QProcess lumora;
        StartLumora(lumora, "localhost:80:127.0.0.1:" + QByteArray::number(server.Port()));

        QVERIFY(QTest::qWaitFor([] { return !Near(RootAt(Corner.x(), Corner.y()), Previous); }, 20000));
        quint64 last = RootChecksum();
        int changes = 0;
        (void)QTest::qWaitFor(
            [&] {
                const quint64 now = RootChecksum();
                if (now != last) {
                    ++changes;
                    last = now;
                }
                return changes >= 2;
            },
            20000);
        QVERIFY2(changes >= 2, "the wallpaper did not change between ticks");

        ::kill(pid_t(lumora.processId()), SIGTERM);
        QVERIFY(lumora.waitForFinished(10000));
        QVERIFY2(WaitForRoot(Previous, 5000), Describe(RootCentre()).constData());
    }

    // No catalogue server: the notice appears; Retry once the server runs loads the catalogue.
    void retryLoadsTheCatalogueOnceTheServerRuns() {
        const quint16 port = FreePort();
        QProcess lumora;
        StartLumora(lumora, "localhost:80:127.0.0.1:" + QByteArray::number(port));
        QVERIFY(WaitForSplashToEnd());
        const std::optional<QPoint> box = WaitForAttentionBox(20000);
        QVERIFY2(box, "no attention box");

        TRunningServer server;
        QVERIFY(server.Start(QDir::home().filePath(QStringLiteral("retry.db")), {QStringLiteral("--demo")},
                             port));
        // The first run's configuration window shows the demo's categories in its tree once the
        // reply is handled; until then the tree is empty.
        const quint64 before = RootChecksum();
        QVERIFY(ClickAt(*box + QPoint(66 + 57, 164 + 13)));
        QVERIFY(QTest::qWaitFor([] { return VisibleWindowsOfSize(300, 193).isEmpty(); }, 5000));
        QVERIFY(QTest::qWaitFor([&] { return RootChecksum() != before; }, 15000));
        QVERIFY(QTest::qWaitFor([&] { return server.ErrorOutput().contains("/lmr/camlist3.php"); }, 15000));
        QCOMPARE(lumora.state(), QProcess::Running);

        ::kill(pid_t(lumora.processId()), SIGTERM);
        QVERIFY(lumora.waitForFinished(10000));
    }

    // Exit in the notice ends the program and puts the user's wallpaper back.
    void exitEndsTheProgramAndRestoresTheWallpaper() {
        TestHttpServer cams;
        cams.Serve("/live/harbour.jpg", EncodeJpeg(Filled(320, 240, Cam), 95), "image/jpeg");
        StoreCam("http://cams.test/live/harbour.jpg", 60);
        QProcess lumora;
        StartLumora(lumora, cams.ConnectToRule("cams.test") +
                                ",localhost:80:127.0.0.1:" + QByteArray::number(FreePort()));
        QVERIFY(WaitForSplashToEnd());
        QVERIFY(QTest::qWaitFor([] { return Near(RootAt(Corner.x(), Corner.y()), Cam); }, 20000));
        const std::optional<QPoint> box = WaitForAttentionBox(20000);
        QVERIFY2(box, "no attention box");

        QVERIFY(ClickAt(*box + QPoint(183 + 57, 164 + 13)));
        QVERIFY(lumora.waitForFinished(10000));
        QCOMPARE(lumora.exitCode(), 0);
        QVERIFY2(WaitForRoot(Previous, 5000), Describe(RootCentre()).constData());
    }
};

QTEST_GUILESS_MAIN(TestE2ECatalogue)
#include "tst_e2e_catalogue.moc"
