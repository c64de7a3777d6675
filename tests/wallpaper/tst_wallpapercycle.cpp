// The refresh cycle end to end below the window: a real transfer from a local server, a real
// bitmap in the data folder, a recording desktop, or XFCE's settings tool that does not answer.
#include "RecordingDesktop.h"
#include "TestHttpServer.h"
#include "core/LogCategories.h"
#include "core/picture/Picture.h"
#include "core/picture/PictureEncoders.h"
#include "core/picture/TestPictures.h"
#include "platform/desktop/DesktopXfce.h"
#include "wallpaper/WallpaperCycle.h"

#include <QDir>
#include <QFileInfo>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

// Collects the warnings told while it lives, as "category: text".
struct WarningsSeen {
    WarningsSeen() {
        Seen = this;
        m_previous = qInstallMessageHandler(
            [](QtMsgType type, const QMessageLogContext& context, const QString& text) {
                if (type == QtWarningMsg)
                    Seen->Lines.append(QString::fromLatin1(context.category) + QStringLiteral(": ") + text);
            });
    }
    ~WarningsSeen() {
        qInstallMessageHandler(m_previous);
        Seen = nullptr;
    }
    QStringList Lines;

private:
    static inline WarningsSeen* Seen = nullptr;
    QtMessageHandler m_previous;
};

class TestWallpaperCycle : public QObject {
    Q_OBJECT
private:
    TestHttpServer m_server;
    QTemporaryDir m_scratch;
    QString m_data;

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(m_server.IsListening());
        QVERIFY(m_scratch.isValid());
        m_data = m_scratch.filePath(QStringLiteral("Lumora"));
        QVERIFY(QDir().mkpath(m_data));
        qputenv("LUMORA_CONNECT_TO", m_server.ConnectToRule("cams.example"));
        m_server.Serve("/live/cam.jpg", EncodeJpeg(GradientPicture(80, 60)), "image/jpeg");
        m_server.Serve("/live/cam.png", QByteArray("\x89PNG\r\n\x1a\n", 8), "image/png");
        m_server.Serve("/live/view", EncodeGif(GradientPicture(20, 10)), "image/gif");
    }

    void fetchInstallsThePicture() {
        RecordingDesktop desktop;
        TWallpaperCycle cycle(desktop, m_data, m_data);
        cycle.IsStretched = [] { return true; };
        QSignalSpy installed(&cycle, &TWallpaperCycle::Installed);
        cycle.FetchPicture("http://cams.example/live/cam.jpg");
        QVERIFY(installed.wait(10000));
        QCOMPARE(installed.at(0).at(0).toString(), m_data + QStringLiteral("/Pic1.bmp"));
        QVERIFY(QFileInfo::exists(m_data + QStringLiteral("/TMP.jpg")));
        QCOMPARE(desktop.Writes.size(), 1);
        QVERIFY(desktop.Writes.at(0).Stretch);
        QCOMPARE(m_server.Requests().last().Header("User-Agent"),
                 QByteArray("Mozilla/4.0 (compatible; MSIE 6.0; Win32)"));

        // The next picture goes to the other bitmap.
        cycle.FetchPicture("http://cams.example/live/cam.jpg");
        QVERIFY(installed.wait(10000));
        QCOMPARE(installed.at(1).at(0).toString(), m_data + QStringLiteral("/Pic0.bmp"));
    }

    void fetcherCarriesThePictureLimit() {
        RecordingDesktop desktop;
        TWallpaperCycle cycle(desktop, m_data, m_data);
        QCOMPARE(cycle.IEGet.MaxFileSize, MaxPictureFileBytes);
    }

    void addressWithoutExtensionIsStoredAsJpgAndFailsSilently() {
        RecordingDesktop desktop;
        TWallpaperCycle cycle(desktop, m_data, m_data);
        QSignalSpy done(&cycle.IEGet, &THTTPGet::OnDoneFile);
        QSignalSpy installed(&cycle, &TWallpaperCycle::Installed);
        // A GIF served under an address without extension is stored as ".jpg" and does not decode.
        cycle.FetchPicture("http://cams.example/live/view");
        QVERIFY(done.wait(10000));
        QCOMPARE(done.at(0).at(1).toString(), m_data + QStringLiteral("/TMP.jpg"));
        QTRY_VERIFY(!cycle.Busy());
        QCOMPARE(installed.size(), 0);
        QVERIFY(desktop.Writes.isEmpty());
    }

    void pngNeverChangesTheWallpaper() {
        RecordingDesktop desktop;
        TWallpaperCycle cycle(desktop, m_data, m_data);
        QSignalSpy done(&cycle.IEGet, &THTTPGet::OnDoneFile);
        cycle.FetchPicture("http://cams.example/live/cam.png");
        QVERIFY(done.wait(10000));
        QTRY_VERIFY(!cycle.Busy());
        QVERIFY(desktop.Writes.isEmpty());
    }

    void slowCamSkipsTicks() {
        TestHttpServer::Reply slow;
        slow.Body = EncodeJpeg(GradientPicture(40, 30));
        slow.Behaviour = TestHttpServer::Misbehaviour::Trickle;
        slow.TrickleBytes = 64;
        slow.TrickleDelay = std::chrono::milliseconds(5);
        m_server.Serve("/slow/cam.jpg", slow);
        RecordingDesktop desktop;
        TWallpaperCycle cycle(desktop, m_data, m_data);
        QSignalSpy installed(&cycle, &TWallpaperCycle::Installed);
        const int before = m_server.RequestCount();
        cycle.FetchPicture("http://cams.example/slow/cam.jpg");
        cycle.FetchPicture("http://cams.example/slow/cam.jpg");
        cycle.FetchPicture("http://cams.example/slow/cam.jpg");
        QVERIFY(installed.wait(20000));
        QCOMPARE(m_server.RequestCount() - before, 1);
        QCOMPARE(installed.size(), 1);
    }

    // A desktop tool that does not answer holds up neither the event loop nor the cycle: events are
    // served while the install waits for it, and the next tick is dropped, not queued behind it.
    void aHangingDesktopToolLeavesTheLoopServing() {
        QTemporaryDir tools;
        QVERIFY(QFile::copy(QFINDTESTDATA("xfconf-query-standin"), tools.filePath("xfconf-query")));
        QVERIFY(QFile::setPermissions(tools.filePath("xfconf-query"), QFileDevice::Permissions(0x7755)));
        const QString hold = tools.filePath("hold");
        QVERIFY(QFile(hold).open(QIODevice::WriteOnly));
        const auto calls = [&tools] {
            QFile file(tools.filePath("calls"));
            QByteArrayList lines =
                file.open(QIODevice::ReadOnly) ? file.readAll().split('\n') : QByteArrayList();
            lines.removeAll(QByteArray());
            return lines;
        };
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", QFile::encodeName(tools.path()) + ':' + path);

        TXfceDesktop desktop;
        TWallpaperCycle cycle(desktop, m_data, m_data);
        // Lets the tool go before the cycle waits for its desktop's thread.
        const auto release = qScopeGuard([&] {
            QFile::remove(hold);
            qputenv("PATH", path);
        });
        const QByteArray url = "http://cams.example/live/cam.jpg";
        const int before = m_server.RequestCount();
        cycle.FetchPicture(url);
        // The install asks the tool, which does not answer.
        QTRY_VERIFY_WITH_TIMEOUT(!calls().isEmpty(), 10000);
        const QString waiting =
            QStringLiteral("/proc/") + QString::fromLatin1(calls().first().split(' ').first());

        bool served = false;
        bool toolStillWaiting = false;
        QTimer::singleShot(0, &cycle, [&] {
            served = true;
            toolStillWaiting = QFileInfo::exists(waiting);
        });
        QTRY_VERIFY_WITH_TIMEOUT(served, 1000);
        QVERIFY2(toolStillWaiting, "the event waited for the desktop tool");
        // The next tick while the install waits.
        cycle.FetchPicture(url);
        QVERIFY(cycle.Busy());

        QFile::remove(hold);
        QTRY_VERIFY_WITH_TIMEOUT(!cycle.Busy(), 10000);
        // One download and one install, which asked the tool once and then gave up.
        QCOMPARE(m_server.RequestCount() - before, 1);
        QCOMPARE(calls().size(), 1);
    }

    // A failure changes nothing on the desktop, and says why on stderr: one warning in the
    // wallpaper category naming the address, the HTTP status and the reason.
    void failedDownloadChangesNothingAndSaysWhy() {
        TestHttpServer::Reply reset;
        reset.Behaviour = TestHttpServer::Misbehaviour::CloseAtOnce;
        m_server.Serve("/reset/cam.jpg", reset);
        QVERIFY(lcWallpaper().isWarningEnabled());
        QVERIFY(!lcWallpaper().isDebugEnabled());

        RecordingDesktop desktop;
        TWallpaperCycle cycle(desktop, m_data, m_data);
        const WarningsSeen warnings;
        // A first run before any cam is committed asks for nothing at all.
        cycle.FetchPicture(QByteArray());
        QVERIFY(!cycle.IEGet.Busy());
        // The server's error page is no picture.
        cycle.FetchPicture("http://cams.example/missing.jpg");
        QVERIFY(cycle.IEGet.Busy());
        QTRY_VERIFY_WITH_TIMEOUT(!cycle.Busy(), 10000);
        // A server that hangs up answers nothing at all.
        cycle.FetchPicture("http://cams.example/reset/cam.jpg");
        QTRY_VERIFY_WITH_TIMEOUT(!cycle.Busy(), 10000);

        QVERIFY(desktop.Writes.isEmpty());
        QCOMPARE(warnings.Lines.size(), 2);
        QVERIFY2(warnings.Lines.at(0).startsWith(
                     QStringLiteral("lumora.wallpaper: wallpaper picture not installed "
                                    "(http://cams.example/missing.jpg, HTTP 404): ")),
                 qPrintable(warnings.Lines.at(0)));
        QVERIFY2(
            warnings.Lines.at(1).startsWith(QStringLiteral(
                "lumora.wallpaper: wallpaper picture not fetched (http://cams.example/reset/cam.jpg): ")),
            qPrintable(warnings.Lines.at(1)));
    }

    void timerTicksReachTheWindow() {
        RecordingDesktop desktop;
        TWallpaperCycle cycle(desktop, m_data, m_data);
        QCOMPARE(cycle.Timer.interval(), 1000);
        QVERIFY(!cycle.Timer.isActive());
        int ticks = 0;
        cycle.OnTimer = [&ticks] { ++ticks; };
        cycle.SetRefresh(0);
        QCOMPARE(cycle.Timer.interval(), 60000);
        cycle.SetRefresh(2);
        QCOMPARE(cycle.Timer.interval(), 2000);
        cycle.Timer.setInterval(10);
        cycle.Timer.start();
        QTRY_VERIFY(ticks >= 2);
    }
};

QTEST_GUILESS_MAIN(TestWallpaperCycle)
#include "tst_wallpapercycle.moc"
