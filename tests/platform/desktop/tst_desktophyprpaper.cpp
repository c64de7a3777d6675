#include "DesktopRestoreRun.h"
#include "platform/desktop/DesktopHyprpaper.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

// hyprctl as far as the backend sees it, on PATH, with hyprpaper behind it (hyprctl-standin): it
// keeps the loaded pictures and each monitor's picture in files, refuses to show a picture that is
// not loaded, answers "ok" or an error text as hyprpaper does, and writes down every request.
class TestDesktopHyprpaper : public QObject {
    Q_OBJECT

    QTemporaryDir m_tools;
    QString m_users;

    QString State(const QString& name) const { return m_tools.filePath("state/" + name); }
    QString Text(const QString& path) const {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }
    void SetText(const QString& path, const QString& text) const {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(text.toUtf8());
    }
    QStringList Requests() const { return Text(State("log")).split(u'\n', Qt::SkipEmptyParts); }
    QStringList Loaded() const { return Text(State("loaded")).split(u'\n', Qt::SkipEmptyParts); }

private Q_SLOTS:
    void initTestCase() {
        const QString tool = m_tools.filePath("hyprctl");
        QVERIFY(QFile::copy(QFINDTESTDATA("hyprctl-standin"), tool));
        QVERIFY(QFile::setPermissions(tool, QFileDevice::Permissions(0x7755)));
        qputenv("PATH", QFile::encodeName(m_tools.path()) + ':' + qgetenv("PATH"));
        m_users = m_tools.filePath("my, own sky.png");
        SetText(m_users, "png");
    }
    // The user's picture on both monitors, loaded, as hyprpaper's configuration leaves it.
    void init() {
        QDir(m_tools.filePath("state")).removeRecursively();
        QVERIFY(QDir().mkpath(State("active")));
        SetText(State("active/DP-1"), m_users);
        SetText(State("active/HDMI-A-1"), m_users);
        SetText(State("loaded"), m_users + "\n");
        SetText(State("log"), "");
    }

    void eachLayoutIsAskedForInHyprpapersWords_data() {
        QTest::addColumn<bool>("tile");
        QTest::addColumn<bool>("stretch");
        QTest::addColumn<QString>("shown");
        QTest::newRow("centred") << false << false << "contain:";
        QTest::newRow("tiled") << true << false << "tile:";
        QTest::newRow("stretched") << false << true << "";
    }
    void eachLayoutIsAskedForInHyprpapersWords() {
        QFETCH(bool, tile);
        QFETCH(bool, stretch);
        QFETCH(QString, shown);
        const QString first = m_tools.filePath("Pic1.bmp"), second = m_tools.filePath("Pic0.bmp");
        SetText(first, "bmp");
        SetText(second, "bmp");
        THyprpaperDesktop desktop;
        QVERIFY(desktop.Write({first, tile, stretch}));
        QVERIFY(desktop.Write({second, tile, stretch}));
        // The file is let go before it is loaded (it may hold an older picture), and the picture
        // before is let go once the new one shows.
        QCOMPARE(Requests(),
                 (QStringList{"hyprpaper unload " + first, "hyprpaper preload " + first,
                              "hyprpaper wallpaper ," + shown + first, "hyprpaper unload " + second,
                              "hyprpaper preload " + second, "hyprpaper wallpaper ," + shown + second,
                              "hyprpaper unload " + first}));
        QCOMPARE(Text(State("active/HDMI-A-1")), second);
        QCOMPARE(Loaded(), (QStringList{m_users, second}));
        QCOMPARE(desktop.Read(), std::optional(TDesktopWallpaper{second, tile, stretch}));
    }

    void refusedPicturesLeaveTheDesktop() {
        THyprpaperDesktop desktop;
        QVERIFY(!desktop.Write({m_tools.filePath("missing.bmp"), false, false}));
        const QString broken = m_tools.filePath("two\nlines.bmp");
        SetText(broken, "bmp");
        QVERIFY(!desktop.Write({broken, false, false}));
        QCOMPARE(Text(State("active/DP-1")), m_users);
    }

    // Each monitor gets its own picture back, and Lumora's pictures are no longer held in memory.
    void theUsersPicturesComeBack_data() { AddRunEnds(); }
    void theUsersPicturesComeBack() {
        QFETCH(TRunEnd, end);
        const QString other = m_tools.filePath("second monitor.png");
        SetText(other, "png");
        SetText(State("active/HDMI-A-1"), other);
        SetText(State("loaded"), m_users + "\n" + other + "\n");
        QCOMPARE(THyprpaperDesktop().Read(), std::optional(TDesktopWallpaper{m_users, false, true}));
        RunAndRestore([] { return std::make_unique<THyprpaperDesktop>(); }, end, m_tools.path());
        QCOMPARE(Text(State("active/DP-1")), m_users);
        QCOMPARE(Text(State("active/HDMI-A-1")), other);
        QCOMPARE(Loaded(), (QStringList{m_users, other}));
    }
};

QTEST_GUILESS_MAIN(TestDesktopHyprpaper)
#include "tst_desktophyprpaper.moc"
