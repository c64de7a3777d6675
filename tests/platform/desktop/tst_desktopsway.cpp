#include "DesktopRestoreRun.h"
#include "HeadlessSway.h"
#include "platform/desktop/DesktopChoice.h"
#include "platform/desktop/DesktopSway.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

namespace {

QByteArray Text(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

// The real sway, headless, with its background program replaced by one that writes down the
// arguments sway gives it: what the backend sends goes through sway's own command parser.
class TestDesktopSway : public QObject {
    Q_OBJECT

    QTemporaryDir m_scratch;
    THeadlessSway m_sway;
    QString m_log;
    QString m_users;

    QString LastBackground() const { return QString::fromUtf8(Text(m_log)).section(u'\n', -2, -2); }
    // sway starts a new background program for each change; two started at nearly the same time
    // may write their lines in either order.
    QStringList LastTwoBackgrounds() const {
        const QStringList lines = QString::fromUtf8(Text(m_log)).split(u'\n', Qt::SkipEmptyParts);
        return lines.mid(std::max<qsizetype>(0, lines.size() - 2));
    }
    QString Picture(const QString& name) const {
        const QString path = m_scratch.filePath(name);
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.setPermissions(file.permissions() | QFile::ReadOther);
        return path;
    }

private Q_SLOTS:
    void initTestCase() {
        m_log = m_scratch.filePath("backgrounds.log");
        const QString recorder = m_scratch.filePath("record-background");
        QFile script(recorder);
        QVERIFY(script.open(QIODevice::WriteOnly));
        script.write("#!/bin/sh\necho \"$*\" >> '" + QFile::encodeName(m_log) + "'\nexec sleep 600\n");
        script.close();
        script.setPermissions(QFileDevice::Permissions(0x7755));
        QFile log(m_log);
        QVERIFY(log.open(QIODevice::WriteOnly));
        log.setPermissions(QFileDevice::Permissions(0x6666));
        m_users = Picture("users own sky.png");
        m_sway.Start(m_scratch.path(), "swaybg_command " + QFile::encodeName(recorder) + "\noutput * bg '" +
                                           QFile::encodeName(m_users) + "' fill\n");
        qputenv("SWAYSOCK", QFile::encodeName(m_sway.CommandSocket()));
        QTRY_VERIFY_WITH_TIMEOUT(LastBackground().endsWith(" fill"), 20000);
    }

    // Names with what sway's parser and word expansion would otherwise take apart or expand.
    void theFileReachesSwayAsItIs_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("tile");
        QTest::addColumn<bool>("stretch");
        QTest::addColumn<QString>("mode");
        QTest::newRow("spaces, centred") << "Pic 1 (new).bmp" << false << false << "center";
        QTest::newRow("shell words, tiled") << "$HOME `id` ~x.bmp" << true << false << "tile";
        QTest::newRow("command separators, stretched") << "a;b,c.bmp" << false << true << "stretch";
    }
    void theFileReachesSwayAsItIs() {
        QFETCH(QString, name);
        QFETCH(bool, tile);
        QFETCH(bool, stretch);
        QFETCH(QString, mode);
        const QString path = Picture(name);
        TSwayDesktop desktop;
        QVERIFY(desktop.Write({path, tile, stretch}));
        QTRY_COMPARE(LastBackground(), QStringLiteral("-o * -i %1 -m %2").arg(path, mode));
    }

    void namesSwayWouldChangeAreNotSent_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("quote") << "it's.bmp";
        QTest::newRow("double quote") << "a\"b.bmp";
        QTest::newRow("backslash") << "a\\b.bmp";
        QTest::newRow("two spaces") << "a  b.bmp";
    }
    void namesSwayWouldChangeAreNotSent() {
        QFETCH(QString, name);
        QCOMPARE(TSwayDesktop::Quoted(m_scratch.filePath(name)), QString());
        QVERIFY(!TSwayDesktop().Write({Picture(name), false, false}));
        QVERIFY(!TSwayDesktop().Write({m_scratch.filePath("missing.bmp"), false, false}));
    }

    // The background of the user's configuration comes back as sway read it, mode and all.
    void theConfiguredBackgroundComesBack() {
        QCOMPARE(TSwayDesktop().Read(), std::optional(TDesktopWallpaper{m_users, false, true}));
        RunAndRestore([] { return std::make_unique<TSwayDesktop>(); }, TRunEnd::ShutDown, m_scratch.path());
        QTRY_VERIFY(LastTwoBackgrounds().contains(QStringLiteral("-o * -i %1 -m fill").arg(m_users)));
    }

    // On Wayland without a backend for the desktop, nothing is written, and it is said once.
    void aWaylandDesktopWithoutBackendIsNoSuccess() {
        qputenv("XDG_CURRENT_DESKTOP", "Hyprland-unknown");
        qputenv("WAYLAND_DISPLAY", "wayland-1");
        const std::unique_ptr<TDesktop> desktop = CreateDesktop();
        QCOMPARE(desktop->Name(), QStringLiteral("none"));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("Wayland.*not its wallpaper"));
        QVERIFY(!desktop->Write({Picture("a.bmp"), false, false}));
        QTest::failOnWarning(QRegularExpression("."));
        QVERIFY(!desktop->Write({Picture("a.bmp"), false, false}));
        qputenv("LUMORA_DESKTOP", "x11");
        QCOMPARE(CreateDesktop()->Name(), QStringLiteral("x11"));
        qputenv("LUMORA_DESKTOP", "sway");
        QCOMPARE(CreateDesktop()->Name(), QStringLiteral("sway"));
        qunsetenv("LUMORA_DESKTOP");
        qunsetenv("WAYLAND_DISPLAY");
    }
};

QTEST_GUILESS_MAIN(TestDesktopSway)
#include "tst_desktopsway.moc"
