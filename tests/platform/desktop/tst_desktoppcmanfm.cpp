#include "DesktopRestoreRun.h"
#include "SessionBus.h"
#include "XvfbServer.h"
#include "platform/desktop/DesktopPcmanfm.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDir>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <glib.h>
#include <memory>

namespace {

const QString Home = qEnvironmentVariable("XDG_CONFIG_HOME");

// The desktop's file manager as far as the backend sees it: it takes the options it is given
// and, as the running desktop does, saves the new values in its settings file at once.
struct TFileManager {
    std::shared_ptr<QList<QStringList>> Calls = std::make_shared<QList<QStringList>>();
    bool Fails = false;

    std::optional<QByteArray> operator()(const QString& program, const QStringList& arguments) const {
        *Calls << (QStringList{program} + arguments);
        if (Fails)
            return std::nullopt;
        QString wallpaper, mode;
        for (const QString& argument : arguments) {
            if (argument.startsWith(QLatin1String("--set-wallpaper=")))
                wallpaper = argument.section(u'=', 1);
            if (argument.startsWith(QLatin1String("--wallpaper-mode=")))
                mode = argument.section(u'=', 1);
        }
        if (program == QLatin1String("pcmanfm-qt")) {
            QSettings settings(Home + "/pcmanfm-qt/lxqt/settings.conf", QSettings::IniFormat);
            if (!wallpaper.isEmpty())
                settings.setValue("Desktop/Wallpaper", wallpaper);
            settings.setValue("Desktop/WallpaperMode", mode);
        } else {
            SetKeyFile(Home + "/pcmanfm/LXDE/desktop-items-0.conf", "*", wallpaper, mode);
        }
        return QByteArray();
    }

    static void SetKeyFile(const QString& path, const char* group, const QString& wallpaper,
                           const QString& mode) {
        QDir().mkpath(QFileInfo(path).absolutePath());
        GKeyFile* file = g_key_file_new();
        g_key_file_load_from_file(file, QFile::encodeName(path).constData(), G_KEY_FILE_KEEP_COMMENTS,
                                  nullptr);
        if (!wallpaper.isEmpty())
            g_key_file_set_string(file, group, "wallpaper", wallpaper.toUtf8().constData());
        g_key_file_set_string(file, group, "wallpaper_mode", mode.toUtf8().constData());
        g_key_file_save_to_file(file, QFile::encodeName(path).constData(), nullptr);
        g_key_file_free(file);
    }
};

TPcmanfmFlavour FlavourNamed(const QString& name) {
    return name == QLatin1String("lxqt") ? TPcmanfmFlavour::Lxqt() : TPcmanfmFlavour::Lxde();
}

void WriteText(const QString& path, const QByteArray& text) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(text);
}

} // namespace

class TestDesktopPcmanfm : public QObject {
    Q_OBJECT

    QTemporaryDir m_system; // the system's configuration folder

private Q_SLOTS:
    void initTestCase() {
        QVERIFY2(!Home.isEmpty(), "run through tests/isolated");
        qputenv("XDG_CONFIG_DIRS", QFile::encodeName(m_system.path()));
    }
    void init() {
        QDir(Home + "/pcmanfm-qt").removeRecursively();
        QDir(Home + "/pcmanfm").removeRecursively();
        QDir(m_system.path()).removeRecursively();
        QDir().mkpath(m_system.path());
    }

    void writesTheFileManagersCommandLine_data() {
        QTest::addColumn<QString>("desktop");
        QTest::addColumn<bool>("tile");
        QTest::addColumn<bool>("stretch");
        QTest::addColumn<QStringList>("command");
        // A name that starts with "-" and holds spaces and "=" stays one value.
        const QString path = QStringLiteral("/home/ann/My Pictures/-a=b.bmp");
        QTest::newRow("LXQt centred") << "lxqt" << false << false
                                      << QStringList{"pcmanfm-qt", "--profile=lxqt",
                                                     "--set-wallpaper=" + path, "--wallpaper-mode=center"};
        QTest::newRow("LXQt tiled") << "lxqt" << true << false
                                    << QStringList{"pcmanfm-qt", "--profile=lxqt", "--set-wallpaper=" + path,
                                                   "--wallpaper-mode=tile"};
        QTest::newRow("LXQt stretched") << "lxqt" << false << true
                                        << QStringList{"pcmanfm-qt", "--profile=lxqt",
                                                       "--set-wallpaper=" + path, "--wallpaper-mode=stretch"};
        QTest::newRow("LXDE centred")
            << "lxde" << false << false
            << QStringList{"pcmanfm", "--profile=LXDE", "--set-wallpaper=" + path, "--wallpaper-mode=center"};
        QTest::newRow("LXDE tiled") << "lxde" << true << false
                                    << QStringList{"pcmanfm", "--profile=LXDE", "--set-wallpaper=" + path,
                                                   "--wallpaper-mode=tile"};
    }
    void writesTheFileManagersCommandLine() {
        QFETCH(QString, desktop);
        QFETCH(bool, tile);
        QFETCH(bool, stretch);
        QFETCH(QStringList, command);
        const TFileManager program;
        TPcmanfmDesktop backend(FlavourNamed(desktop), program);
        const TDesktopWallpaper wallpaper{command[2].section(u'=', 1), tile, stretch};
        QVERIFY(backend.Write(wallpaper));
        QCOMPARE(*program.Calls, QList<QStringList>{command});
        QCOMPARE(backend.Read(), std::optional(wallpaper));
    }

    // What the user has, read from the desktop's own settings file in its own format.
    void readsTheDesktopsSettingsFile_data() {
        QTest::addColumn<QString>("desktop");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("tile");
        QTest::addColumn<bool>("stretch");
        QTest::newRow("LXQt, zoomed, quoted by QSettings")
            << "lxqt" << Home + "/pcmanfm-qt/lxqt/settings.conf"
            << QByteArray(
                   "[Desktop]\nBgColor=#000000\nWallpaper=\"/home/ann/sea, sky.png\"\nWallpaperMode=zoom\n")
            << "/home/ann/sea, sky.png" << false << true;
        QTest::newRow("LXQt, plain colour shows no picture")
            << "lxqt" << Home + "/pcmanfm-qt/lxqt/settings.conf"
            << QByteArray("[Desktop]\nWallpaper=/home/ann/sea.png\nWallpaperMode=color\n") << "" << false
            << false;
        QTest::newRow("LXQt, the system's file when the user has none")
            << "lxqt" << m_system.path() + "/pcmanfm-qt/lxqt/settings.conf"
            << QByteArray("[Desktop]\nWallpaper=/usr/share/lxqt/wallpapers/waves.png\nWallpaperMode=tile\n")
            << "/usr/share/lxqt/wallpapers/waves.png" << true << false;
        QTest::newRow("LXDE, escaped by GLib")
            << "lxde" << Home + "/pcmanfm/LXDE/desktop-items-0.conf"
            << QByteArray("[*]\nwallpaper_mode=crop\nwallpaper_common=1\nwallpaper=\\s/home/ann/a\\\\b.jpg\n")
            << " /home/ann/a\\b.jpg" << false << true;
        QTest::newRow("LXDE, older releases' main file")
            << "lxde" << Home + "/pcmanfm/LXDE/pcmanfm.conf"
            << QByteArray(
                   "[config]\nbm_open_method=0\n\n[desktop]\nwallpaper_mode=center\nwallpaper=/a.jpg\n")
            << "/a.jpg" << false << false;
    }
    void readsTheDesktopsSettingsFile() {
        QFETCH(QString, desktop);
        QFETCH(QString, file);
        QFETCH(QByteArray, text);
        QFETCH(QString, path);
        QFETCH(bool, tile);
        QFETCH(bool, stretch);
        WriteText(file, text);
        QCOMPARE(TPcmanfmDesktop(FlavourNamed(desktop), TFileManager()).Read(),
                 std::optional(TDesktopWallpaper{path, tile, stretch}));
    }

    // The user's picture and the mode by its own name come back, whatever was installed between.
    void theUsersOwnBackgroundComesBack_data() {
        QTest::addColumn<QString>("desktop");
        QTest::addColumn<TRunEnd>("end");
        for (const char* desktop : {"lxqt", "lxde"}) {
            QTest::addRow("%s, Shut down", desktop) << desktop << TRunEnd::ShutDown;
            QTest::addRow("%s, crash then next start", desktop) << desktop << TRunEnd::CrashThenNextStart;
        }
    }
    void theUsersOwnBackgroundComesBack() {
        QFETCH(QString, desktop);
        QFETCH(TRunEnd, end);
        const TFileManager program;
        const bool lxqt = desktop == QLatin1String("lxqt");
        const QTemporaryDir scratch;
        const QString own = scratch.filePath(QStringLiteral("-sea 100%.jpg"));
        WriteText(own, "picture");
        program(lxqt ? "pcmanfm-qt" : "pcmanfm",
                {"--set-wallpaper=" + own, lxqt ? "--wallpaper-mode=zoom" : "--wallpaper-mode=screen"});
        RunAndRestore([&] { return std::make_unique<TPcmanfmDesktop>(FlavourNamed(desktop), program); }, end,
                      scratch.path());
        if (QTest::currentTestFailed())
            return;
        QCOMPARE(program.Calls->last(),
                 (QStringList{lxqt ? "pcmanfm-qt" : "pcmanfm", lxqt ? "--profile=lxqt" : "--profile=LXDE",
                              "--set-wallpaper=" + own,
                              lxqt ? "--wallpaper-mode=zoom" : "--wallpaper-mode=screen"}));
    }

    // A remembered record this backend cannot use is put back by its three values.
    void aRecordThatDoesNotFitFallsBackToTheValues_data() {
        QTest::addColumn<QByteArray>("record");
        QTest::newRow("a mode the program does not know") << QByteArray("desktop=lxde mode=sideways");
        QTest::newRow("a value of another kind") << QByteArray("desktop=lxde mode=fit desktop_bg=%23000");
        QTest::newRow("another desktop's") << QByteArray("desktop=lxqt mode=fit");
    }
    void aRecordThatDoesNotFitFallsBackToTheValues() {
        QFETCH(QByteArray, record);
        const TFileManager program;
        TPcmanfmDesktop backend(TPcmanfmFlavour::Lxde(), program);
        QVERIFY(backend.Restore({{QStringLiteral("/home/ann/sea.jpg"), true, false}, record}));
        QCOMPARE(program.Calls->last(),
                 (QStringList{"pcmanfm", "--profile=LXDE", "--set-wallpaper=/home/ann/sea.jpg",
                              "--wallpaper-mode=tile"}));
    }

    // The real pcmanfm-qt drawing a private X server's desktop, started with a profile or without:
    // the wallpaper is read from, and put back into, the profile the running desktop uses.
    void theRunningDesktopsProfileIsUsed_data() {
        QTest::addColumn<QStringList>("started");
        QTest::addColumn<QString>("profile");
        QTest::addColumn<TRunEnd>("end");
        QTest::newRow("the session's profile")
            << QStringList{"--desktop", "--profile=lxqt"} << "lxqt" << TRunEnd::ShutDown;
        QTest::newRow("no profile") << QStringList{"--desktop"} << "default" << TRunEnd::ShutDown;
        QTest::newRow("no profile, crash then next start")
            << QStringList{"--desktop"} << "default" << TRunEnd::CrashThenNextStart;
        QTest::newRow("a profile of its own, short option")
            << QStringList{"-p", "office", "--desktop"} << "office" << TRunEnd::ShutDown;
    }
    void theRunningDesktopsProfileIsUsed() {
        QFETCH(QStringList, started);
        QFETCH(QString, profile);
        QFETCH(TRunEnd, end);
        if (QStandardPaths::findExecutable(QStringLiteral("pcmanfm-qt")).isEmpty())
            QSKIP("pcmanfm-qt is not installed (scripts/setup installs it)");
        const TXvfbServer x(640, 480);
        const TSessionBus bus;
        QVERIFY(x.IsRunning() && bus.IsRunning());
        QProcess desktop;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        desktop.setProcessEnvironment(environment);
        desktop.start(QStringLiteral("pcmanfm-qt"), started);
        const QDBusConnection connection = QDBusConnection::connectToBus(
            qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS"), QString::fromLatin1(QTest::currentDataTag()));
        QTRY_VERIFY_WITH_TIMEOUT(connection.interface()->isServiceRegistered("org.pcmanfm.PCManFM"), 20000);

        const QTemporaryDir scratch;
        const QString own = scratch.filePath(QStringLiteral("sea.jpg"));
        WriteText(own, EncodeJpeg(GradientPicture(64, 48), 90));
        QVERIFY(RunDesktopCommand("pcmanfm-qt", {"--set-wallpaper=" + own, "--wallpaper-mode=zoom"}));
        const QString settings = Home + "/pcmanfm-qt/" + profile + "/settings.conf";
        QTRY_COMPARE(QSettings(settings, QSettings::IniFormat).value("Desktop/Wallpaper").toString(), own);

        RunAndRestore([] { return std::make_unique<TPcmanfmDesktop>(TPcmanfmFlavour::Lxqt()); }, end,
                      scratch.path());
        QCOMPARE(QSettings(settings, QSettings::IniFormat).value("Desktop/Wallpaper").toString(), own);
        QDBusConnection::disconnectFromBus(QString::fromLatin1(QTest::currentDataTag()));
        desktop.terminate();
        desktop.waitForFinished(5000);
    }

    void aFailingProgramIsNoSuccess() {
        TFileManager program;
        program.Fails = true;
        QVERIFY(!TPcmanfmDesktop(TPcmanfmFlavour::Lxqt(), program).Write({"/a.bmp", false, false}));
    }
};

QTEST_GUILESS_MAIN(TestDesktopPcmanfm)
#include "tst_desktoppcmanfm.moc"
