// The server's message, the splash and tell-a-friend on a real X server with a tray host, against
// the demo catalogue of lumora-server: the welcome page in the real browser engine (its script runs
// and its requests carry "LMR", as the server sees them), turned away for good with the check box,
// no request and no engine with messages off, and the invitation handed to the desktop's opener.
#include "E2EHarness.h"
#include "core/StoredSettings.h"
#include "server/ServerHarness.h"

#include <QDir>
#include <QFile>
#include <QTest>
#include <csignal>

using namespace E2E;

namespace {

// The messages window is the only window of its size; the splash likewise.
const QSize MessagesWindow(424, 407);
const QSize Splash(416, 246);

void StoreSettings(bool showMessages) {
    QVERIFY((TStoredSettings{"http://localhost/demo/clock-tokyo.jpg", "Tokyo", 2, 1, showMessages}.Store()));
}

std::optional<QPoint> WaitForWindow(const QSize& size, int milliseconds) {
    std::optional<QPoint> place;
    (void)QTest::qWaitFor(
        [&] {
            const QList<QPoint> found = VisibleWindowsOfSize(size.width(), size.height());
            if (!found.isEmpty())
                place = found.first();
            return place.has_value();
        },
        milliseconds);
    return place;
}

bool Mapped(qint64 pid, const QByteArray& library) {
    QFile maps(QStringLiteral("/proc/%1/maps").arg(pid));
    return maps.open(QIODevice::ReadOnly) && maps.readAll().contains(library);
}

bool EngineMapped(qint64 pid) {
    return Mapped(pid, "libQt6WebEngineCore");
}

// Log lines of the server that hold every one of the parts.
int LogLines(TRunningServer& server, const QList<QByteArray>& parts) {
    int count = 0;
    for (const QByteArray& line : server.ErrorOutput().split('\n')) {
        if (std::all_of(parts.begin(), parts.end(),
                        [&](const QByteArray& part) { return line.contains(part); }))
            ++count;
    }
    return count;
}

// The refresh cycle fetches the stored cam every second: once two more pictures were asked for
// after the message request, its reply has long been handled.
bool WaitForTwoRefreshesAfter(TRunningServer& server, int pictures) {
    return QTest::qWaitFor([&] { return LogLines(server, {"GET /demo/clock-tokyo.jpg"}) >= pictures + 2; },
                           20000);
}

} // namespace

class TestE2EMessages : public QObject {
    Q_OBJECT
    QProcess m_trayer;
    TRunningServer m_server;

    void StartLumora(QProcess& lumora, const QString& path = QString()) {
        QProcessEnvironment env =
            LumoraEnvironment("localhost", "localhost:80:127.0.0.1:" + QByteArray::number(m_server.Port()));
        if (!path.isEmpty())
            env.insert(QStringLiteral("PATH"), path + QLatin1Char(':') + env.value(QStringLiteral("PATH")));
        lumora.setProcessEnvironment(env);
        lumora.setProcessChannelMode(QProcess::ForwardedChannels);
        lumora.start(QStringLiteral(LUMORA_BINARY), {});
        QVERIFY(lumora.waitForStarted());
    }

    void Stop(QProcess& lumora) {
        ::kill(pid_t(lumora.processId()), SIGTERM);
        QVERIFY(lumora.waitForFinished(15000));
    }

private Q_SLOTS:
    void initTestCase() {
        if (qEnvironmentVariableIsEmpty("DISPLAY"))
            QSKIP("needs an X server (run through xvfb-run)");
        QVERIFY(m_server.Start(QDir::home().filePath(QStringLiteral("catalogue.db")),
                               {QStringLiteral("--demo")}));
        QVERIFY(StartTrayer(m_trayer));
    }

    void cleanupTestCase() { E2E::Stop(m_trayer); }

    void init() {
        QFile::remove(qEnvironmentVariable("XDG_DATA_HOME") + QStringLiteral("/lumora/messages.cam"));
    }

    void welcomeMessageShownOnceThenTurnedAway() {
        StoreSettings(true);
        QProcess lumora;
        StartLumora(lumora);

        // The splash comes first and goes by itself.
        QVERIFY2(WaitForWindow(Splash, 20000), "no splash");
        const std::optional<QPoint> window = WaitForWindow(MessagesWindow, 30000);
        QVERIFY2(window, "no messages window");
        QVERIFY(QTest::qWaitFor(
            [] { return VisibleWindowsOfSize(Splash.width(), Splash.height()).isEmpty(); }, 15000));

        // The page's script brings in the harbour picture; the engine's request carries the token.
        QVERIFY2(QTest::qWaitFor(
                     [&] {
                         return LogLines(m_server, {"GET /demo/harbour-lisbon.jpg", "Mozilla", "LMR"}) > 0;
                     },
                     60000),
                 m_server.ErrorOutput().right(2000).constData());
        QVERIFY(LogLines(m_server, {"GET /messages/1.html", "LMR"}) > 0);
        QVERIFY(EngineMapped(lumora.processId()));

        // "Don't show this message again", then OK.
        QVERIFY(CloseMessagesWindow(10000, true));
        const QString listPath =
            qEnvironmentVariable("XDG_DATA_HOME") + QStringLiteral("/lumora/messages.cam");
        QVERIFY(QTest::qWaitFor([&] { return QFile::exists(listPath); }, 5000));
        QFile list(listPath);
        QVERIFY(list.open(QIODevice::ReadOnly));
        QCOMPARE(list.readAll(), QByteArray("1\r\n"));
        Stop(lumora);

        // The next start asks again and shows nothing.
        const int asked = LogLines(m_server, {"/lmr/cam_message.php"});
        QProcess again;
        StartLumora(again);
        QVERIFY(QTest::qWaitFor([&] { return LogLines(m_server, {"/lmr/cam_message.php"}) > asked; }, 30000));
        QVERIFY(WaitForTwoRefreshesAfter(m_server, LogLines(m_server, {"GET /demo/clock-tokyo.jpg"})));
        QVERIFY(VisibleWindowsOfSize(MessagesWindow.width(), MessagesWindow.height()).isEmpty());
        QVERIFY(!EngineMapped(again.processId()));
        Stop(again);
    }

    void messagesOffAsksForNothingAndLoadsNoEngine() {
        StoreSettings(false);
        const int asked = LogLines(m_server, {"/lmr/cam_message.php"});
        const int catalogues = LogLines(m_server, {"/lmr/camlist3.php"});
        QProcess lumora;
        StartLumora(lumora);
        QVERIFY(
            QTest::qWaitFor([&] { return LogLines(m_server, {"/lmr/camlist3.php"}) > catalogues; }, 30000));
        QVERIFY(WaitForTwoRefreshesAfter(m_server, LogLines(m_server, {"GET /demo/clock-tokyo.jpg"})));
        QCOMPARE(LogLines(m_server, {"/lmr/cam_message.php"}), asked);
        QVERIFY(!EngineMapped(lumora.processId()));
        // Nor the OpenGL driver, which only the engine needs.
        QVERIFY(!Mapped(lumora.processId(), "/dri/"));
        Stop(lumora);
    }

    // A first run opens the configuration window; Tell a friend hands the link to the desktop's
    // opener, here a script on PATH that writes down what it was given.
    void tellAFriendHandsAMailtoLinkToTheOpener() {
        QFile::remove(TSettingsKey::FilePath());
        const QString bin = QDir::home().filePath(QStringLiteral("bin"));
        const QString record = QDir::home().filePath(QStringLiteral("opened.txt"));
        QVERIFY(QDir().mkpath(bin));
        QFile opener(bin + QStringLiteral("/xdg-open"));
        QVERIFY(opener.open(QIODevice::WriteOnly));
        opener.write("#!/bin/sh\nprintf '%s\\n' \"$@\" >> \"" + record.toUtf8() + "\"\n");
        opener.close();
        opener.setPermissions(opener.permissions() | QFileDevice::ExeOwner);

        QProcess lumora;
        StartLumora(lumora, bin);
        const std::optional<QPoint> window = WaitForWindow(QSize(597, 398), 30000);
        QVERIFY2(window, "no configuration window");
        // The shell makes the file before it writes the line: only a whole line counts.
        const auto opened = [&record] {
            QFile file(record);
            return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        };
        // The button appears once the catalogue has arrived; click until the opener was called.
        QVERIFY(QTest::qWaitFor(
            [&] {
                (void)ClickAt(*window + QPoint(475 + 57, 339 + 13));
                return QTest::qWaitFor([&] { return opened().endsWith('\n'); }, 1000);
            },
            30000));
        const QByteArray link = opened();
        QVERIFY2(link.startsWith("mailto:friend@example.com?subject="), link.constData());
        Stop(lumora);
    }
};

QTEST_GUILESS_MAIN(TestE2EMessages)
#include "tst_e2e_messages.moc"
