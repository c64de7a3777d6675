#include "DesktopRestoreRun.h"
#include "SessionBus.h"
#include "platform/desktop/DesktopXfce.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

namespace {

const QString Prefix = QStringLiteral("/backdrop/screen0/monitor");

// The real xfconf-query against the xfconfd of the test's private bus.
QByteArray Query(const QString& property) {
    return RunDesktopCommand(QStringLiteral("xfconf-query"), {"-c", "xfce4-desktop", "-p", property})
        .value_or("(missing)")
        .trimmed();
}

void Create(const QString& property, const QString& type, const QString& value) {
    RunDesktopCommand(QStringLiteral("xfconf-query"),
                      {"-c", "xfce4-desktop", "-p", property, "-n", "-t", type, "-s", value});
}

void ResetChannel() {
    RunDesktopCommand(QStringLiteral("xfconf-query"), {"-c", "xfce4-desktop", "-p", "/backdrop", "-r", "-R"});
}

// Two monitors with two workspaces each, every workspace with its own picture and style 5
// (zoomed).
void MakeTwoMonitors() {
    for (const QString& monitor : {QStringLiteral("HDMI-1"), QStringLiteral("eDP-1")})
        for (int workspace = 0; workspace < 2; ++workspace) {
            const QString base = Prefix + monitor + QStringLiteral("/workspace%1/").arg(workspace);
            Create(base + "last-image", "string",
                   QStringLiteral("/usr/share/backgrounds/%1-%2.jpg").arg(monitor).arg(workspace));
            Create(base + "image-style", "int", "5");
        }
}

} // namespace

class TestDesktopXfce : public QObject {
    Q_OBJECT

    std::unique_ptr<TSessionBus> m_bus;
    QTemporaryDir m_scratch;

private Q_SLOTS:
    void initTestCase() {
        QVERIFY2(!QStandardPaths::findExecutable("xfconf-query").isEmpty(),
                 "xfconf is not installed (scripts/setup)");
        m_bus = std::make_unique<TSessionBus>();
        QVERIFY(m_bus->IsRunning());
    }
    void init() { ResetChannel(); }
    void cleanupTestCase() { m_bus.reset(); }

    void writesEveryMonitorAndWorkspace_data() {
        QTest::addColumn<bool>("tile");
        QTest::addColumn<bool>("stretch");
        QTest::addColumn<QByteArray>("style");
        QTest::newRow("centred") << false << false << QByteArray("1");
        QTest::newRow("tiled") << true << false << QByteArray("2");
        QTest::newRow("stretched") << false << true << QByteArray("3");
    }
    void writesEveryMonitorAndWorkspace() {
        QFETCH(bool, tile);
        QFETCH(bool, stretch);
        QFETCH(QByteArray, style);
        MakeTwoMonitors();
        const TDesktopWallpaper wallpaper{QStringLiteral("/home/ann/Documents/Lumora/Pic1 (new).bmp"), tile,
                                          stretch};
        QVERIFY(TXfceDesktop().Write(wallpaper));
        for (const QString& monitor : {QStringLiteral("HDMI-1"), QStringLiteral("eDP-1")})
            for (int workspace = 0; workspace < 2; ++workspace) {
                const QString base = Prefix + monitor + QStringLiteral("/workspace%1/").arg(workspace);
                QCOMPARE(Query(base + "last-image"), wallpaper.Path.toUtf8());
                QCOMPARE(Query(base + "image-style"), style);
            }
        QCOMPARE(TXfceDesktop().Read(), std::optional(wallpaper));
    }

    // Every monitor and workspace gets its own picture and style back, whatever was installed in
    // between; a style the user never set and a workspace made since are taken away again.
    void everyWorkspaceComesBackAfterInstalls_data() { AddRunEnds(); }
    void everyWorkspaceComesBackAfterInstalls() {
        QFETCH(TRunEnd, end);
        // Names with the bytes a record must carry through: spaces, "=", "%", a line break.
        QMap<QString, QByteArray> images;
        for (const QString& monitor : {QStringLiteral("HDMI-1"), QStringLiteral("eDP-1")})
            for (int workspace = 0; workspace < 2; ++workspace) {
                const QString base = Prefix + monitor + QStringLiteral("/workspace%1/").arg(workspace);
                const QString path =
                    m_scratch.filePath(monitor + QStringLiteral(" w=%1 100%").arg(workspace) + "\n.jpg");
                QFile(path).open(QIODevice::WriteOnly);
                Create(base + "last-image", "string", path);
                images.insert(base + "last-image", path.toUtf8());
                if (workspace == 0)
                    Create(base + "image-style", "int", "5");
            }
        RunAndRestore([] { return std::make_unique<TXfceDesktop>(); }, end, m_scratch.path(),
                      [] {
                          // A workspace added while the program runs gets the cam picture too.
                          Create(Prefix + "HDMI-1/workspace2/last-image", "string", "/added.jpg");
                      });
        if (QTest::currentTestFailed())
            return;
        for (auto at = images.cbegin(); at != images.cend(); ++at)
            QCOMPARE(Query(at.key()), at.value());
        QCOMPARE(Query(Prefix + "HDMI-1/workspace0/image-style"), QByteArray("5"));
        QCOMPARE(Query(Prefix + "eDP-1/workspace0/image-style"), QByteArray("5"));
        QCOMPARE(Query(Prefix + "eDP-1/workspace1/image-style"), QByteArray("(missing)"));
        QCOMPARE(Query(Prefix + "HDMI-1/workspace2/last-image"), QByteArray("(missing)"));
    }

    // Only backdrop values of a remembered record reach xfconf; any other record falls back to
    // the three values.
    void aRecordOutsideTheBackdropsIsNotWritten() {
        Create(Prefix + "0/workspace0/last-image", "string", "/home/ann/Documents/Lumora/Pic1.bmp");
        TXfceDesktop desktop;
        QVERIFY(desktop.Restore(
            {{QStringLiteral("/home/ann/sea.jpg"), false, false},
             "desktop=xfce /general/x=1 /backdrop/screen0/monitor0/workspace0/last-image=/a"}));
        QCOMPARE(Query("/general/x"), QByteArray("(missing)"));
        QCOMPARE(Query(Prefix + "0/workspace0/last-image"), QByteArray("/home/ann/sea.jpg"));
    }

    void createsTheBackdropOfADesktopThatNeverHadOne() {
        TXfceDesktop desktop;
        QCOMPARE(desktop.Read(), std::optional(TDesktopWallpaper{}));
        QVERIFY(desktop.Write({"/home/ann/Documents/Lumora/Pic0.bmp", false, true}));
        QCOMPARE(Query(Prefix + "0/workspace0/last-image"),
                 QByteArray("/home/ann/Documents/Lumora/Pic0.bmp"));
        QCOMPARE(Query(Prefix + "0/workspace0/image-style"), QByteArray("3"));
    }

    void passesPathsAsSingleArguments() {
        QList<QStringList> calls;
        TXfceDesktop desktop([&](const QString& program, const QStringList& arguments) {
            calls << (QStringList{program} + arguments);
            return RunDesktopCommand(program, arguments);
        });
        Create(Prefix + "0/workspace0/last-image", "string", "/a.jpg");
        const QString hostile = QStringLiteral("/tmp/x; rm -rf ~ $(reboot) \"'.bmp");
        QVERIFY(desktop.Write({hostile, false, false}));
        QCOMPARE(Query(Prefix + "0/workspace0/last-image"), hostile.toUtf8());
        QVERIFY(calls.contains(QStringList{"xfconf-query", "-c", "xfce4-desktop", "-p",
                                           Prefix + "0/workspace0/last-image", "-s", hostile}));
        QVERIFY(
            calls.contains(QStringList{"xfconf-query", "-c", "xfce4-desktop", "-p",
                                       Prefix + "0/workspace0/image-style", "-n", "-t", "int", "-s", "1"}));
    }

    void aMissingOrFailingToolGivesNothing() {
        QVERIFY(!RunDesktopCommand("lumora-no-such-tool", {}));
        QVERIFY(!RunDesktopCommand("xfconf-query", {"-c", "xfce4-desktop", "-p", "/no/such/property"}));
        QCOMPARE(RunDesktopCommand("echo", {"a b", "$HOME"}), std::optional<QByteArray>("a b $HOME\n"));
    }

    void failsWhenTheToolFails() {
        TXfceDesktop desktop([](const QString&, const QStringList&) { return std::optional<QByteArray>(); });
        QVERIFY(!desktop.Read());
        QVERIFY(!desktop.Write({"/a.bmp", false, false}));
    }
};

QTEST_GUILESS_MAIN(TestDesktopXfce)
#include "tst_desktopxfce.moc"
