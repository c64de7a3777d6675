#include "DesktopRestoreRun.h"
#include "platform/desktop/DesktopChoice.h"
#include "platform/desktop/DesktopGSettings.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <gio/gio.h>

namespace {

// Stand-ins for the Cinnamon and MATE schemas, which are not installed here: the same ids, keys
// and choices as the desktops' own.
const char* const TestSchemas = R"(<schemalist>
  <enum id="lumora.test.BackgroundStyle">
    <value nick="none" value="0"/><value nick="wallpaper" value="1"/><value nick="centered" value="2"/>
    <value nick="scaled" value="3"/><value nick="stretched" value="4"/><value nick="zoom" value="5"/>
    <value nick="spanned" value="6"/>
  </enum>
  <schema id="org.cinnamon.desktop.background" path="/org/cinnamon/desktop/background/">
    <key name="picture-uri" type="s"><default>''</default></key>
    <key name="picture-options" enum="lumora.test.BackgroundStyle"><default>'zoom'</default></key>
  </schema>
  <schema id="org.mate.background" path="/org/mate/desktop/background/">
    <key name="picture-filename" type="s"><default>''</default></key>
    <key name="picture-options" enum="lumora.test.BackgroundStyle"><default>'zoom'</default></key>
  </schema>
</schemalist>
)";

// What another program (the gsettings tool, in a process of its own) sees.
QByteArray Stored(const char* schema, const char* key) {
    QProcess tool;
    tool.start(QStringLiteral("gsettings"),
               {QStringLiteral("get"), QString::fromLatin1(schema), QString::fromLatin1(key)});
    tool.waitForFinished(10000);
    return tool.readAllStandardOutput().trimmed();
}

bool HasOwnValue(const char* schema, const char* key) {
    GSettings* settings = g_settings_new(schema);
    GVariant* own = g_settings_get_user_value(settings, key);
    if (own)
        g_variant_unref(own);
    g_object_unref(settings);
    return own != nullptr;
}

void Reset(const char* schema, const char* key) {
    GSettings* settings = g_settings_new(schema);
    g_settings_reset(settings, key);
    g_settings_sync();
    g_object_unref(settings);
}

void Set(const char* schema, const char* key, const char* value) {
    GSettings* settings = g_settings_new(schema);
    g_settings_set_string(settings, key, value);
    g_settings_sync();
    g_object_unref(settings);
}

} // namespace

class TestDesktopGSettings : public QObject {
    Q_OBJECT

    QTemporaryDir m_schemas;
    QTemporaryDir m_scratch;

    // A picture file of the user's, as the address GNOME keeps.
    QByteArray UserPicture(const QString& name) {
        const QString path = m_scratch.filePath(name);
        WriteBmpFile(path, FilledPicture(4, 4, {20, 40, 60}));
        return QUrl::fromLocalFile(path).toEncoded();
    }

private Q_SLOTS:
    void initTestCase() {
        // Before any GSettings use: settings go to a key file in the test's own config folder.
        qputenv("GSETTINGS_BACKEND", "keyfile");
        QFile file(m_schemas.filePath("lumora-test.gschema.xml"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(TestSchemas);
        file.close();
        QCOMPARE(QProcess::execute(QStringLiteral("glib-compile-schemas"), {m_schemas.path()}), 0);
        qputenv("GSETTINGS_SCHEMA_DIR", QFile::encodeName(m_schemas.path()));
        QVERIFY(TGSettingsDesktop::Available("org.gnome.desktop.background"));
    }

    void gnomeWritesBothPicturesAndTheOptions_data() {
        QTest::addColumn<bool>("tile");
        QTest::addColumn<bool>("stretch");
        QTest::addColumn<QByteArray>("options");
        QTest::newRow("centred") << false << false << QByteArray("'centered'");
        QTest::newRow("tiled") << true << false << QByteArray("'wallpaper'");
        QTest::newRow("stretched") << false << true << QByteArray("'stretched'");
    }
    void gnomeWritesBothPicturesAndTheOptions() {
        QFETCH(bool, tile);
        QFETCH(bool, stretch);
        QFETCH(QByteArray, options);
        const TDesktopWallpaper wallpaper{QStringLiteral("/home/ann/Documents/Lumora/Pic1.bmp"), tile,
                                          stretch};
        TGSettingsDesktop desktop(TGSettingsWallpaperKeys::Gnome());
        QVERIFY(desktop.Write(wallpaper));
        QCOMPARE(Stored("org.gnome.desktop.background", "picture-uri"),
                 QByteArray("'file:///home/ann/Documents/Lumora/Pic1.bmp'"));
        QCOMPARE(Stored("org.gnome.desktop.background", "picture-uri-dark"),
                 QByteArray("'file:///home/ann/Documents/Lumora/Pic1.bmp'"));
        QCOMPARE(Stored("org.gnome.desktop.background", "picture-options"), options);
        QCOMPARE(TGSettingsDesktop(TGSettingsWallpaperKeys::Gnome()).Read(), std::optional(wallpaper));
    }

    void pathsWithSpecialCharactersSurviveTheAddress() {
        const TDesktopWallpaper wallpaper{QStringLiteral("/home/ann/My Pictures/%20 #1 ü.bmp"), false, true};
        QVERIFY(TGSettingsDesktop(TGSettingsWallpaperKeys::Gnome()).Write(wallpaper));
        QCOMPARE(TGSettingsDesktop(TGSettingsWallpaperKeys::Gnome()).Read()->Path, wallpaper.Path);
    }

    void readsPicturesThatAreNoFilesAsNoPath_data() {
        QTest::addColumn<QByteArray>("uri");
        QTest::addColumn<QString>("path");
        QTest::newRow("file") << QByteArray("file:///usr/share/backgrounds/a.jpg")
                              << "/usr/share/backgrounds/a.jpg";
        QTest::newRow("web address") << QByteArray("https://example.org/a.jpg") << "";
        QTest::newRow("empty") << QByteArray("") << "";
    }
    void readsPicturesThatAreNoFilesAsNoPath() {
        QFETCH(QByteArray, uri);
        QFETCH(QString, path);
        Set("org.gnome.desktop.background", "picture-uri", uri.constData());
        const std::optional<TDesktopWallpaper> read =
            TGSettingsDesktop(TGSettingsWallpaperKeys::Gnome()).Read();
        QVERIFY(read);
        QCOMPARE(read->Path, path);
    }

    // The user's day and night pictures and layout come back exactly, whatever was installed in
    // between; a key the user never set goes back to the desktop's default.
    void theUsersOwnValuesComeBackAfterInstalls_data() {
        QTest::addColumn<TRunEnd>("end");
        QTest::addColumn<bool>("ownDarkPicture");
        for (const bool dark : {true, false}) {
            const char* const which = dark ? "own dark picture" : "default dark picture";
            QTest::addRow("%s, Shut down", which) << TRunEnd::ShutDown << dark;
            QTest::addRow("%s, crash then next start", which) << TRunEnd::CrashThenNextStart << dark;
        }
    }
    void theUsersOwnValuesComeBackAfterInstalls() {
        QFETCH(TRunEnd, end);
        QFETCH(bool, ownDarkPicture);
        const QByteArray day = UserPicture("day.jpg"), night = UserPicture("night.jpg");
        Reset("org.gnome.desktop.background", "picture-uri-dark");
        Set("org.gnome.desktop.background", "picture-uri", day.constData());
        if (ownDarkPicture)
            Set("org.gnome.desktop.background", "picture-uri-dark", night.constData());
        Set("org.gnome.desktop.background", "picture-options", "zoom");

        RunAndRestore([] { return std::make_unique<TGSettingsDesktop>(TGSettingsWallpaperKeys::Gnome()); },
                      end, m_scratch.path());
        if (QTest::currentTestFailed())
            return;
        QCOMPARE(Stored("org.gnome.desktop.background", "picture-uri"), "'" + day + "'");
        QCOMPARE(Stored("org.gnome.desktop.background", "picture-options"), QByteArray("'zoom'"));
        if (ownDarkPicture)
            QCOMPARE(Stored("org.gnome.desktop.background", "picture-uri-dark"), "'" + night + "'");
        else
            QVERIFY(!HasOwnValue("org.gnome.desktop.background", "picture-uri-dark"));
    }

    // A picture given by address has no file, yet it is the user's and comes back.
    void aPictureWithoutFileComesBack() {
        Set("org.gnome.desktop.background", "picture-uri", "https://example.org/sky.jpg");
        RunAndRestore([] { return std::make_unique<TGSettingsDesktop>(TGSettingsWallpaperKeys::Gnome()); },
                      TRunEnd::CrashThenNextStart, m_scratch.path());
        QCOMPARE(Stored("org.gnome.desktop.background", "picture-uri"),
                 QByteArray("'https://example.org/sky.jpg'"));
    }

    // A remembered record that does not fit these keys: one of another desktop is put back by its
    // three values, one with a choice the key does not allow changes nothing.
    void aRecordThatDoesNotFitIsNotForced_data() {
        QTest::addColumn<QByteArray>("record");
        QTest::addColumn<bool>("restored");
        QTest::addColumn<QByteArray>("options");
        QTest::newRow("another desktop's")
            << QByteArray("desktop=xfce /backdrop/a=b") << true << QByteArray("'stretched'");
        QTest::newRow("a key of ours it does not know")
            << QByteArray("desktop=gnome color-shading-type=solid") << true << QByteArray("'stretched'");
        QTest::newRow("a choice the key does not allow")
            << QByteArray("desktop=gnome picture-options=sideways") << false << QByteArray("'centered'");
    }
    void aRecordThatDoesNotFitIsNotForced() {
        QFETCH(QByteArray, record);
        QFETCH(bool, restored);
        QFETCH(QByteArray, options);
        const QString day = QUrl::fromEncoded(UserPicture("day.jpg")).toLocalFile();
        TGSettingsDesktop desktop(TGSettingsWallpaperKeys::Gnome());
        QVERIFY(desktop.Write({QStringLiteral("/home/ann/Documents/Lumora/Pic1.bmp"), false, false}));
        QCOMPARE(desktop.Restore({{day, false, true}, record}), restored);
        QCOMPARE(Stored("org.gnome.desktop.background", "picture-options"), options);
    }

    void cinnamonAndMateUseTheirOwnKeys() {
        const TDesktopWallpaper wallpaper{QStringLiteral("/home/ann/Documents/Lumora/Pic0.bmp"), true, false};
        QVERIFY(TGSettingsDesktop(TGSettingsWallpaperKeys::Cinnamon()).Write(wallpaper));
        QCOMPARE(Stored("org.cinnamon.desktop.background", "picture-uri"),
                 QByteArray("'file:///home/ann/Documents/Lumora/Pic0.bmp'"));
        QCOMPARE(Stored("org.cinnamon.desktop.background", "picture-options"), QByteArray("'wallpaper'"));
        QVERIFY(TGSettingsDesktop(TGSettingsWallpaperKeys::Mate()).Write(wallpaper));
        QCOMPARE(Stored("org.mate.background", "picture-filename"),
                 QByteArray("'/home/ann/Documents/Lumora/Pic0.bmp'"));
        QCOMPARE(TGSettingsDesktop(TGSettingsWallpaperKeys::Mate()).Read(), std::optional(wallpaper));
        QCOMPARE(TGSettingsDesktop(TGSettingsWallpaperKeys::Cinnamon()).Read(), std::optional(wallpaper));
    }

    // Budgie, Pantheon and Unity keep their wallpaper in GNOME's keys; the user's own values come
    // back, the layout GNOME's keys allow beyond the three values included.
    void desktopsOnGnomesKeysWriteAndRestoreThem_data() {
        QTest::addColumn<QByteArray>("desktop");
        QTest::newRow("budgie") << QByteArray("budgie");
        QTest::newRow("pantheon") << QByteArray("pantheon");
        QTest::newRow("unity") << QByteArray("unity");
    }
    void desktopsOnGnomesKeysWriteAndRestoreThem() {
        QFETCH(QByteArray, desktop);
        const QByteArray day = UserPicture("day.jpg");
        Set("org.gnome.desktop.background", "picture-uri", day.constData());
        Set("org.gnome.desktop.background", "picture-options", "spanned");
        qputenv("LUMORA_DESKTOP", desktop);
        const auto make = [] { return CreateDesktop(); };
        QCOMPARE(make()->Name(), QString::fromLatin1(desktop));
        const std::optional<TDesktopSnapshot> own = make()->Snapshot();
        QVERIFY(own);
        QVERIFY(make()->Write({QStringLiteral("/home/ann/Documents/Lumora/Pic0.bmp"), true, false}));
        QCOMPARE(Stored("org.gnome.desktop.background", "picture-uri"),
                 QByteArray("'file:///home/ann/Documents/Lumora/Pic0.bmp'"));
        QCOMPARE(Stored("org.gnome.desktop.background", "picture-options"), QByteArray("'wallpaper'"));
        QVERIFY(make()->Restore(*own));
        QCOMPARE(Stored("org.gnome.desktop.background", "picture-options"), QByteArray("'spanned'"));
        QCOMPARE(Stored("org.gnome.desktop.background", "picture-uri"), "'" + day + "'");
        qunsetenv("LUMORA_DESKTOP");
    }

    void aMissingSchemaIsNoDesktop() {
        TGSettingsWallpaperKeys keys = TGSettingsWallpaperKeys::Gnome();
        keys.Schema = "org.example.not.installed";
        QVERIFY(!TGSettingsDesktop::Available(keys.Schema));
        TGSettingsDesktop desktop(keys);
        QVERIFY(!desktop.Read());
        QVERIFY(!desktop.Write({"/tmp/a.bmp", false, false}));
    }

    void choosesTheBackendForTheDesktop_data() {
        QTest::addColumn<QString>("forced");
        QTest::addColumn<QString>("current");
        QTest::addColumn<QString>("chosen");
        QTest::newRow("nothing known") << ""
                                       << ""
                                       << "x11";
        QTest::newRow("GNOME") << ""
                               << "GNOME"
                               << "gnome";
        QTest::newRow("Ubuntu's list") << ""
                                       << "ubuntu:GNOME"
                                       << "gnome";
        QTest::newRow("Budgie") << ""
                                << "Budgie:GNOME"
                                << "budgie";
        QTest::newRow("Unity") << ""
                               << "Unity:Unity7:ubuntu"
                               << "unity";
        QTest::newRow("Pantheon") << ""
                                  << "Pantheon"
                                  << "pantheon";
        QTest::newRow("Cinnamon") << ""
                                  << "X-Cinnamon"
                                  << "cinnamon";
        QTest::newRow("MATE") << ""
                              << "MATE"
                              << "mate";
        QTest::newRow("XFCE") << ""
                              << "XFCE"
                              << "xfce";
        QTest::newRow("KDE") << ""
                             << "KDE"
                             << "kde";
        QTest::newRow("Hyprland") << ""
                                  << "Hyprland"
                                  << "hyprland";
        QTest::newRow("a wlroots desktop without a command") << ""
                                                             << "river"
                                                             << "swaybg";
        QTest::newRow("unknown, then known") << ""
                                             << "i3:XFCE"
                                             << "xfce";
        QTest::newRow("unknown desktop") << ""
                                         << "i3"
                                         << "x11";
        QTest::newRow("forced wins") << "x11"
                                     << "GNOME"
                                     << "x11";
        QTest::newRow("forced in capitals") << "KDE"
                                            << ""
                                            << "kde";
        QTest::newRow("forced unknown") << "i3"
                                        << "GNOME"
                                        << "x11";
    }
    void choosesTheBackendForTheDesktop() {
        QFETCH(QString, forced);
        QFETCH(QString, current);
        QFETCH(QString, chosen);
        QCOMPARE(ChooseDesktopName(forced, current), chosen);
    }

    void createsTheChosenBackend_data() {
        QTest::addColumn<QByteArray>("forced");
        QTest::addColumn<QString>("name");
        QTest::newRow("x11") << QByteArray("x11") << "x11";
        QTest::newRow("gnome") << QByteArray("gnome") << "gnome";
        QTest::newRow("cinnamon") << QByteArray("cinnamon") << "cinnamon";
        QTest::newRow("kde") << QByteArray("kde") << "kde";
        QTest::newRow("budgie") << QByteArray("Budgie") << "budgie";
        QTest::newRow("pantheon") << QByteArray("pantheon") << "pantheon";
        QTest::newRow("unity") << QByteArray("unity") << "unity";
    }
    void createsTheChosenBackend() {
        QFETCH(QByteArray, forced);
        QFETCH(QString, name);
        qputenv("LUMORA_DESKTOP", forced);
        QCOMPARE(CreateDesktop()->Name(), name);
        qunsetenv("LUMORA_DESKTOP");
    }
};

QTEST_GUILESS_MAIN(TestDesktopGSettings)
#include "tst_desktopgsettings.moc"
