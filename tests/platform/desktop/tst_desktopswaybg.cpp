#include "DesktopRestoreRun.h"
#include "HeadlessSway.h"
#include "platform/desktop/DesktopSwaybg.h"
#include "platform/desktop/RunningPrograms.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <unistd.h>

namespace {

QString Swaybg() {
    return QStandardPaths::findExecutable("swaybg");
}

QList<QStringList> Commands() {
    QList<QStringList> commands;
    for (const TRunningProgram& running : RunningPrograms("swaybg"))
        commands << running.Arguments;
    return commands;
}

// A swaybg that holds a connection to the compositor: one that cannot reach it ends at once.
bool IsConnected(qint64 pid) {
    const QString folder = QStringLiteral("/proc/%1/fd/").arg(pid);
    for (const QString& descriptor : QDir(folder).entryList(QDir::System | QDir::NoDotAndDotDot)) {
        char target[64] = {};
        if (readlink(QFile::encodeName(folder + descriptor).constData(), target, sizeof target - 1) > 0 &&
            QByteArray(target).startsWith("socket:"))
            return true;
    }
    return false;
}

bool AllConnected() {
    const QList<TRunningProgram> running = RunningPrograms("swaybg");
    return std::all_of(running.begin(), running.end(),
                       [](const TRunningProgram& p) { return IsConnected(p.Pid); });
}

} // namespace

// The real swaybg on a headless sway that runs no background of its own: the backend starts,
// ends and starts again real background programs of the session.
class TestDesktopSwaybg : public QObject {
    Q_OBJECT

    QTemporaryDir m_scratch;
    THeadlessSway m_sway;

private Q_SLOTS:
    void initTestCase() {
        QVERIFY2(!QStandardPaths::findExecutable("swaybg").isEmpty(),
                 "swaybg is not installed (scripts/setup)");
        m_sway.Start(m_scratch.path(), "swaybg_command -\n");
        qputenv("WAYLAND_DISPLAY", QFile::encodeName(m_sway.WaylandDisplay()));
    }
    void cleanup() {
        for (const TRunningProgram& running : RunningPrograms("swaybg"))
            StopProgram(running.Pid, "swaybg");
        QTRY_VERIFY(Commands().isEmpty());
    }

    // The user's own swaybg gives way to Lumora's and is started again, as it was, at the end.
    void theUsersBackgroundProgramComesBack_data() { AddRunEnds(); }
    void theUsersBackgroundProgramComesBack() {
        QFETCH(TRunEnd, end);
        const QStringList users{Swaybg(), "-o", "*", "-c", "#336699"};
        QVERIFY(QProcess::startDetached(users.first(), users.mid(1)));
        QTRY_COMPARE(Commands(), QList<QStringList>{users});
        const qint64 usersPid = RunningPrograms("swaybg").first().Pid;

        RunAndRestore([] { return std::make_unique<TSwaybgDesktop>(); }, end, m_scratch.path());
        QTRY_COMPARE(Commands(), QList<QStringList>{users});
        QVERIFY(RunningPrograms("swaybg").first().Pid != usersPid);
        QTRY_VERIFY(AllConnected());
    }

    // While the program runs, only its own swaybg draws, on every output, in the mode asked for.
    void onlyLumorasBackgroundRuns() {
        QVERIFY(QProcess::startDetached("swaybg", {"-c", "#102030"}));
        QTRY_COMPARE(Commands().size(), 1);
        const QString picture = m_scratch.filePath("Pic 1.bmp");
        QVERIFY(WriteBmpFile(picture, GradientPicture(64, 48)));
        TSwaybgDesktop desktop;
        QVERIFY(desktop.Write({picture, true, false}));
        const QStringList ours{Swaybg(), "-o", "*", "-i", picture, "-m", "tile"};
        QTRY_COMPARE(Commands(), QList<QStringList>{ours});
        QTRY_VERIFY(AllConnected());
        QCOMPARE(TSwaybgDesktop().Read(), std::optional(TDesktopWallpaper{picture, true, false}));
        QVERIFY(!desktop.Write({m_scratch.filePath("missing.bmp"), false, false}));
    }

    // Without a swaybg of the user's there is no command to start again: the restore takes
    // Lumora's background away, so that what another program draws shows again, and says so.
    void anUnknownBackgroundIsNotPretendedBack() {
        TSwaybgDesktop desktop;
        const std::optional<TDesktopSnapshot> users = desktop.Snapshot();
        QVERIFY(users && users->Wallpaper.Path.isEmpty());
        const QString picture = m_scratch.filePath("Pic1.bmp");
        QVERIFY(WriteBmpFile(picture, GradientPicture(64, 48)));
        QVERIFY(desktop.Write({picture, false, true}));
        QTRY_COMPARE(Commands().size(), 1);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("not drawn by swaybg"));
        QVERIFY(!desktop.Restore(*users));
        QTRY_VERIFY(Commands().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestDesktopSwaybg)
#include "tst_desktopswaybg.moc"
