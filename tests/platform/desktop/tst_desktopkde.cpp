#include "SessionBus.h"
#include "platform/desktop/DesktopKde.h"

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QTest>
#include <memory>

// Plasma's shell as far as the backend sees it: the evaluateScript method of org.kde.PlasmaShell
// on /PlasmaShell, registered as org.kde.plasmashell on the test's private bus.
class TFakePlasmaShell : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.PlasmaShell")

public:
    QStringList Scripts;
    QString Output;
    bool Locked = false;

public Q_SLOTS:
    QString evaluateScript(const QString& script) {
        Scripts << script;
        if (Locked)
            sendErrorReply(QDBusError::Failed, QStringLiteral("Widgets are locked"));
        return Output;
    }
};

class TestDesktopKde : public QObject {
    Q_OBJECT

    std::unique_ptr<TSessionBus> m_bus;
    TFakePlasmaShell m_shell;

private Q_SLOTS:
    void initTestCase() {
        m_bus = std::make_unique<TSessionBus>();
        QVERIFY(m_bus->IsRunning());
    }
    void cleanupTestCase() {
        QDBusConnection::sessionBus().unregisterService("org.kde.plasmashell");
        m_bus.reset();
    }

    void writeScriptSetsEveryDesktopToTheImagePlugin_data() {
        QTest::addColumn<bool>("tile");
        QTest::addColumn<bool>("stretch");
        QTest::addColumn<int>("fill");
        QTest::newRow("centred") << false << false << 6;
        QTest::newRow("tiled") << true << false << 3;
        QTest::newRow("stretched") << false << true << 0;
    }
    void writeScriptSetsEveryDesktopToTheImagePlugin() {
        QFETCH(bool, tile);
        QFETCH(bool, stretch);
        QFETCH(int, fill);
        const QString script =
            TKdeDesktop::WriteScript({"/home/ann/Documents/Lumora/Pic 1.bmp", tile, stretch});
        QCOMPARE(script, QStringLiteral(
                             "var image = \"file:///home/ann/Documents/Lumora/Pic%201.bmp\";\n"
                             "var fill = %1;\n"
                             "var all = desktops();\n"
                             "for (var i = 0; i < all.length; i++) {\n"
                             "    var d = all[i];\n"
                             "    d.wallpaperPlugin = \"org.kde.image\";\n"
                             "    d.currentConfigGroup = [\"Wallpaper\", \"org.kde.image\", \"General\"];\n"
                             "    d.writeConfig(\"Image\", image);\n"
                             "    d.writeConfig(\"FillMode\", fill);\n"
                             "}\n")
                             .arg(fill));
    }

    void quotesEveryTextSafely_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("literal");
        QTest::newRow("plain") << "file:///a.bmp"
                               << "\"file:///a.bmp\"";
        QTest::newRow("quotes") << "a\"b'c"
                                << "\"a\\u0022b\\u0027c\"";
        QTest::newRow("backslash and line break") << "a\\b\nc"
                                                  << "\"a\\u005cb\\u000ac\"";
        QTest::newRow("line separator") << QString::fromUtf16(u"a\u2028b") << "\"a\\u2028b\"";
        QTest::newRow("non-Latin letters kept") << QString::fromUtf8("ü€") << QString::fromUtf8("\"ü€\"");
    }
    void quotesEveryTextSafely() {
        QFETCH(QString, text);
        QFETCH(QString, literal);
        QCOMPARE(JavaScriptString(text), literal);
    }

    void aHostilePathStaysInsideItsString() {
        const QString script = TKdeDesktop::WriteScript({"/tmp/\";killAll();\"\n.bmp", false, false});
        QVERIFY(script.startsWith("var image = \"file:///tmp/%22;killAll();%22%0A.bmp\";\n"));
    }

    void readsTheShellsAnswer_data() {
        QTest::addColumn<QString>("output");
        QTest::addColumn<std::optional<TDesktopWallpaper>>("wallpaper");
        using W = TDesktopWallpaper;
        QTest::newRow("image, stretched") << "org.kde.image\n0\nfile:///usr/share/wallpapers/a.png\n"
                                          << std::optional(W{"/usr/share/wallpapers/a.png", false, true});
        QTest::newRow("image, tiled")
            << "org.kde.image\n3\nfile:///b.jpg" << std::optional(W{"/b.jpg", true, false});
        QTest::newRow("image, centred") << "org.kde.image\n6\n/c.jpg\n"
                                        << std::optional(W{"/c.jpg", false, false});
        QTest::newRow("image, default fill") << "org.kde.image\n\nfile:///d.jpg\n"
                                             << std::optional(W{"/d.jpg", false, true});
        QTest::newRow("slide show") << "org.kde.slideshow\n2\n\n" << std::optional(W{});
        QTest::newRow("no picture yet") << "org.kde.image\n2\n\n" << std::optional(W{"", false, true});
        QTest::newRow("garbage") << "error" << std::optional<W>();
    }
    void readsTheShellsAnswer() {
        QFETCH(QString, output);
        QFETCH(std::optional<TDesktopWallpaper>, wallpaper);
        QCOMPARE(TKdeDesktop::ParseReadOutput(output), wallpaper);
    }

    void talksToTheShellOverDBus() {
        TKdeDesktop desktop;
        QVERIFY(!desktop.Read()); // no shell yet
        QVERIFY(QDBusConnection::sessionBus().registerService("org.kde.plasmashell"));
        QVERIFY(QDBusConnection::sessionBus().registerObject("/PlasmaShell", &m_shell,
                                                             QDBusConnection::ExportAllSlots));

        m_shell.Output = "org.kde.image\n3\nfile:///usr/share/wallpapers/e.png\n";
        QCOMPARE(desktop.Read(),
                 std::optional(TDesktopWallpaper{"/usr/share/wallpapers/e.png", true, false}));
        QCOMPARE(m_shell.Scripts.last(), TKdeDesktop::ReadScript());

        const TDesktopWallpaper cam{"/home/ann/Documents/Lumora/Pic1.bmp", false, true};
        QVERIFY(desktop.Write(cam));
        QCOMPARE(m_shell.Scripts.last(), TKdeDesktop::WriteScript(cam));

        m_shell.Locked = true;
        QVERIFY(!desktop.Write(cam));
        m_shell.Locked = false;
    }
};

Q_DECLARE_METATYPE(std::optional<TDesktopWallpaper>)

QTEST_GUILESS_MAIN(TestDesktopKde)
#include "tst_desktopkde.moc"
