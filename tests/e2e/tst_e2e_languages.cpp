// Languages as a user meets them, on a real X server with a tray host and the demo catalogue
// server: a language chosen in the tray menu is downloaded and shown, stays after a restart without
// a second download, and a raised pack version is fetched at the next start.
#include "E2EHarness.h"
#include "core/pack/HandPack.h"
#include "core/picture/PictureEncoders.h"
#include "server/ServerHarness.h"

#include <QDir>
#include <QTest>
#include <csignal>

using namespace E2E;

namespace {

const Rgb FirstSkin{40, 160, 90};
const Rgb SecondSkin{150, 60, 170};
// A point of the configuration window's background that no control covers.
const QPoint Background{300, 40};

// A language directory whose configuration window background has one colour; noise in a help page
// keeps its pack above the smallest size the program accepts.
QString LanguageDirectoryWith(const QString& name, int version, const Rgb& colour) {
    const QString dir = ScratchPath(name);
    HandPack::WriteFile(dir + "/properties.cam", "object=global\nversion=" + QByteArray::number(version) +
                                                     "\nend\nobject=mainform\nstretch=Dehnen\nend\n");
    HandPack::WriteFile(dir + "/mainform/background.bmp", EncodeBmp(Filled(597, 398, colour)));
    HandPack::WriteFile(dir + "/help/index.html", HandPack::NoiseBytes(30000, quint32(version)));
    return dir;
}

bool OfferLanguage(const QString& database, const QString& dir) {
    const TCommandResult result = RunServerCommand(
        {"add-language", "--db", database, "--refid", "9", "--name", "Testsprache", "--dir", dir});
    if (result.ExitCode != 0)
        qWarning("%s", result.Err.constData());
    return result.ExitCode == 0;
}

std::optional<QPoint> WaitForConfigurationWindow(int milliseconds) {
    std::optional<QPoint> place;
    (void)QTest::qWaitFor(
        [&] {
            const QList<QPoint> windows = VisibleWindowsOfSize(597, 398);
            if (!windows.isEmpty())
                place = windows.first();
            return place.has_value();
        },
        milliseconds);
    return place;
}

// The configuration window shows the skin of that colour, opened by a click on the tray icon
// when it is not open yet.
bool ShowsSkin(const Rgb& colour) {
    std::optional<QPoint> window = WaitForConfigurationWindow(1000);
    if (!window) {
        const std::optional<QPoint> icon = TrayIconCentre();
        if (!icon || !ClickAt(*icon) || !(window = WaitForConfigurationWindow(10000)))
            return false;
    }
    const QPoint point = *window + Background;
    return QTest::qWaitFor([&] { return Near(RootAt(point.x(), point.y()), colour); }, 20000);
}

} // namespace

class TestE2ELanguages : public QObject {
    Q_OBJECT
    QProcess m_trayer;

    void StartLumora(QProcess& lumora, quint16 port) {
        lumora.setProcessEnvironment(
            LumoraEnvironment("localhost", "localhost:80:127.0.0.1:" + QByteArray::number(port)));
        lumora.setProcessChannelMode(QProcess::ForwardedChannels);
        lumora.start(QStringLiteral(LUMORA_BINARY), {});
        QVERIFY(lumora.waitForStarted());
    }
    void StopLumora(QProcess& lumora) {
        ::kill(pid_t(lumora.processId()), SIGTERM);
        QVERIFY(lumora.waitForFinished(10000));
    }

private Q_SLOTS:
    void initTestCase() {
        if (qEnvironmentVariableIsEmpty("DISPLAY"))
            QSKIP("needs an X server (run through xvfb-run)");
        QVERIFY(StartTrayer(m_trayer));
    }
    void cleanupTestCase() { Stop(m_trayer); }

    void languageChosenInTheMenuIsDownloadedShownAndKept() {
        const QString database = ScratchPath("languages.db");
        QVERIFY(OfferLanguage(database, LanguageDirectoryWith("lang-v1", 1, FirstSkin)));
        TRunningServer server;
        QVERIFY(server.Start(database, {QStringLiteral("--demo")}));
        const QString installed = qEnvironmentVariable("XDG_DATA_HOME") + "/lumora/lang9/properties.cam";

        // The first run opens the configuration window once the catalogue has arrived.
        QProcess lumora;
        StartLumora(lumora, server.Port());
        QVERIFY(WaitForConfigurationWindow(20000));
        QVERIFY(QTest::qWaitFor([&] { return server.ErrorOutput().contains("/lmr/camlist3.php"); }, 15000));
        // The demo's welcome message opens on a first run, partly over the window; OK closes it.
        QVERIFY(CloseMessagesWindow(30000));
        QVERIFY(!server.ErrorOutput().contains("/packs/lang9"));

        // "Languages" (the first entry the keys reach while "Configure..." is disabled by the open
        // window), then the last language of the submenu.
        QVERIFY(OpenTrayMenu());
        QVERIFY(Run("xdotool", {"key", "Down", "sleep", "0.2", "key", "Right", "sleep", "0.4", "key", "Up",
                                "sleep", "0.2", "key", "Return"}));
        QVERIFY(QTest::qWaitFor([&] { return server.ErrorOutput().contains("/packs/lang9-v1.pak"); }, 15000));
        QVERIFY(QTest::qWaitFor([&] { return QFile::exists(installed); }, 15000));
        QVERIFY2(ShowsSkin(FirstSkin), Describe(RootAt(Background.x(), Background.y())).constData());
        StopLumora(lumora);

        // A restart stays in the language and downloads nothing.
        const qsizetype packRequests = server.ErrorOutput().count("/packs/");
        StartLumora(lumora, server.Port());
        QVERIFY(QTest::qWaitFor([&] { return server.ErrorOutput().count("/lmr/camlist3.php") >= 3; }, 15000));
        QVERIFY(ShowsSkin(FirstSkin));
        QCOMPARE(server.ErrorOutput().count("/packs/"), packRequests);
        StopLumora(lumora);

        // A new pack version is fetched at the next start.
        QVERIFY(OfferLanguage(database, LanguageDirectoryWith("lang-v2", 2, SecondSkin)));
        // The running server takes the new pack into its catalogue reply within a moment.
        QVERIFY(QTest::qWaitFor(
            [&] {
                return Post(server.Port(), "/lmr/camlist3.php", "language=9").Body.contains("lang9-v2.pak");
            },
            10000));
        StartLumora(lumora, server.Port());
        QVERIFY(QTest::qWaitFor([&] { return server.ErrorOutput().contains("/packs/lang9-v2.pak"); }, 15000));
        QVERIFY(ShowsSkin(SecondSkin));
        QCOMPARE(lumora.state(), QProcess::Running);
        StopLumora(lumora);
    }
};

QTEST_GUILESS_MAIN(TestE2ELanguages)
#include "tst_e2e_languages.moc"
