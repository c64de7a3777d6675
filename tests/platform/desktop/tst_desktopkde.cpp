#include "DesktopRestoreRun.h"
#include "PlasmaShell.h"
#include "platform/desktop/DesktopKde.h"

#include <QDeadlineTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <cstdlib>
#include <memory>

namespace {

// Every desktop containment's wallpaper plugin and image values, in the shell's order, read with
// the shell's own script interface.
QJsonArray ReadEveryDesktop() {
    const std::optional<QString> printed = TPlasmaShell::Evaluate(
        QStringLiteral("var all = desktops();\n"
                       "var found = [];\n"
                       "for (var i = 0; i < all.length; i++) {\n"
                       "    all[i].currentConfigGroup = [\"Wallpaper\", \"org.kde.image\", \"General\"];\n"
                       "    var values = {};\n"
                       "    var keys = all[i].configKeys;\n"
                       "    for (var k = 0; k < keys.length; k++)\n"
                       "        values[keys[k]] = String(all[i].readConfig(keys[k]));\n"
                       "    found.push({plugin: all[i].wallpaperPlugin, image: values});\n"
                       "}\n"
                       "print(JSON.stringify(found));\n"));
    return QJsonDocument::fromJson(printed.value_or(QString()).toUtf8()).array();
}

// Gives the desktops, in the shell's order, the plugin and exactly the image values of `wanted`.
void SetEveryDesktop(const QJsonArray& wanted) {
    const QStringList ids =
        TPlasmaShell::Evaluate(
            QStringLiteral("print(desktops().map(function(d) { return d.id; }).join(' '))"))
            .value_or(QString())
            .split(u' ');
    QCOMPARE(ids.size(), wanted.size());
    QList<TPlasmaContainment> containments;
    for (qsizetype at = 0; at < ids.size(); ++at) {
        const QJsonObject desktop = wanted[at].toObject();
        TPlasmaContainment containment{ids[at].toInt(), -1, desktop.value("plugin").toString(), {}};
        const QJsonObject image = desktop.value("image").toObject();
        for (auto value = image.constBegin(); value != image.constEnd(); ++value)
            containment.Image.insert(value.key(), value.value().toString());
        containments << containment;
    }
    for (const QString& script : TKdeDesktop::RestoreScripts(containments))
        QVERIFY(TPlasmaShell::Evaluate(script));
}

// The user's own pictures, real files as a desktop's are.
const QString Pictures = qEnvironmentVariable("LUMORA_TEST_SCRATCH") + QStringLiteral("/home/Pictures/");

QJsonObject Desktop(const QString& plugin, const QJsonObject& image) {
    return {{"plugin", plugin}, {"image", image}};
}

// The colour the screen shows in its middle, read from the X server.
unsigned long MiddlePixel() {
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return 0;
    const int screen = DefaultScreen(display);
    XImage* image = XGetImage(display, RootWindow(display, screen), DisplayWidth(display, screen) / 2,
                              DisplayHeight(display, screen) / 3, 1, 1, AllPlanes, ZPixmap);
    const unsigned long pixel = image ? XGetPixel(image, 0, 0) : 0;
    if (image)
        XDestroyImage(image);
    XCloseDisplay(display);
    return pixel;
}

// The middle colour once the shell has stopped changing it: the same in reads a second apart, so
// that a cross-fade still under way on a busy machine is not taken for the picture it ends in.
unsigned long SteadyMiddlePixel() {
    unsigned long last = MiddlePixel();
    for (QDeadlineTimer deadline(20000); !deadline.hasExpired();) {
        QTest::qWait(1000);
        const unsigned long now = MiddlePixel();
        if (now == last)
            return now;
        last = now;
    }
    return last;
}

// Whether two screen colours are the same picture: the shell may scale its wallpaper afresh after a
// restart, and smooth scaling can move a channel by one.
bool SameColour(unsigned long a, unsigned long b) {
    for (int shift = 0; shift < 24; shift += 8) {
        const int difference = int((a >> shift) & 0xff) - int((b >> shift) & 0xff);
        if (std::abs(difference) > 3)
            return false;
    }
    return true;
}

// The middle colour once it has settled on `wanted`, or the last settled one after half a minute.
// Each read is a steady one: a busy shell may go on through queued cross-fades after it took the
// restored wallpaper, so a colour that matched a moment ago may not be the one it ends with.
unsigned long SettledMiddlePixel(unsigned long wanted) {
    unsigned long shown = SteadyMiddlePixel();
    for (QDeadlineTimer deadline(30000); !SameColour(shown, wanted) && !deadline.hasExpired();)
        shown = SteadyMiddlePixel();
    return shown;
}

} // namespace

class TestDesktopKde : public QObject {
    Q_OBJECT

    std::unique_ptr<TPlasmaShell> m_shell;

private Q_SLOTS:
    void initTestCase() {
        m_shell = std::make_unique<TPlasmaShell>();
        if (!m_shell->IsRunning())
            QSKIP(qPrintable(m_shell->Reason()));
        QVERIFY(QDir().mkpath(Pictures));
        for (const char* name : {"dune.png", "lake.jpg"}) {
            QFile picture(Pictures + QLatin1String(name));
            QVERIFY(picture.open(QIODevice::WriteOnly));
            picture.write(EncodeJpeg(GradientPicture(64, 48), 90));
        }
        // A second activity gives the shell a second desktop containment, as a second screen does.
        QVERIFY(TPlasmaShell::Evaluate(QStringLiteral("createActivity(\"Second\");")));
        QTRY_COMPARE_WITH_TIMEOUT(ReadEveryDesktop().size(), 2, 20000);
    }
    void cleanupTestCase() { m_shell.reset(); }

    void everyDesktopComesBackExactly_data() {
        QTest::addColumn<QJsonArray>("before");
        QTest::addColumn<TRunEnd>("end");
        const QString image = QStringLiteral("org.kde.image");
        // The other desktop keeps a picture of its own with values the image plugin knows besides.
        // Once the shell shows a value such as Color it writes it back for good: the fresh Plasma
        // comes first, and the values besides the picture stay the same from then on.
        const QJsonObject other = Desktop(image, {{"Image", "file://" + Pictures + "lake.jpg"},
                                                  {"FillMode", "1"},
                                                  {"Blur", "true"},
                                                  {"Color", "0,0,0"}});
        const QList<std::pair<const char*, QJsonArray>> states{
            {"a fresh Plasma", {Desktop(image, {}), Desktop(image, {})}},
            {"FillMode 6, an image",
             {Desktop(image, {{"Image", "file://" + Pictures + "dune.png"}, {"FillMode", "6"}}), other}},
            {"FillMode 2, an image",
             {Desktop(image, {{"Image", "file://" + Pictures + "dune.png"}, {"FillMode", "2"}}), other}},
            {"FillMode unset, an image", {Desktop(image, {{"Image", Pictures + "dune.png"}}), other}},
            {"a plain colour and a picture", {Desktop("org.kde.color", {}), other}},
        };
        for (const auto& [name, before] : states) {
            QTest::addRow("%s, shut down", name) << before << TRunEnd::ShutDown;
            QTest::addRow("%s, crash and next start", name) << before << TRunEnd::CrashThenNextStart;
        }
    }
    void everyDesktopComesBackExactly() {
        QFETCH(QJsonArray, before);
        QFETCH(TRunEnd, end);
        SetEveryDesktop(before);
        QCOMPARE(ReadEveryDesktop(), before);
        // The shell draws its default wallpaper where nobody set one; it must show it again.
        const bool fresh = before.first().toObject().value("image").toObject().isEmpty() &&
                           before.first().toObject().value("plugin") == "org.kde.image";
        unsigned long defaultPixel = 0;
        if (fresh) {
            defaultPixel = SteadyMiddlePixel(); // after the cross-fade from the last row's picture
            QVERIFY2(defaultPixel != 0, "the screen could not be read, or Plasma drew no wallpaper");
        }

        RunAndRestore([] { return std::make_unique<TKdeDesktop>(); }, end,
                      qEnvironmentVariable("LUMORA_TEST_SCRATCH"));
        if (QTest::currentTestFailed())
            return;

        QCOMPARE(ReadEveryDesktop(), before);
        if (fresh) {
            const unsigned long shown = SettledMiddlePixel(defaultPixel);
            QVERIFY2(SameColour(shown, defaultPixel),
                     qPrintable(QStringLiteral("the middle shows %1, Plasma's own wallpaper %2")
                                    .arg(shown, 6, 16, QLatin1Char('0'))
                                    .arg(defaultPixel, 6, 16, QLatin1Char('0'))));
        }
    }

    void aHostilePictureNameStaysAName() {
        const QString name = QStringLiteral("/tmp/\";killAll();'\\\n%41\u2028.bmp");
        QVERIFY(TKdeDesktop().Write({name, false, true}));
        QCOMPARE(TKdeDesktop().Read(), std::optional(TDesktopWallpaper{name, false, true}));
    }

    void aDamagedRecordIsNotTakenForPlasmas_data() {
        QTest::addColumn<QByteArray>("record");
        QTest::newRow("another desktop's") << QByteArray("desktop=xfce /backdrop/a=b");
        QTest::newRow("a value of another desktop") << QByteArray("desktop=kde 1=org.kde.image 2/Image=x");
        QTest::newRow("no desktop number") << QByteArray("desktop=kde one=org.kde.image");
    }
    void aDamagedRecordIsNotTakenForPlasmas() {
        QFETCH(QByteArray, record);
        QVERIFY(!TKdeDesktop().DecodeRecord(record));
    }
};

Q_DECLARE_METATYPE(TRunEnd)

QTEST_GUILESS_MAIN(TestDesktopKde)
#include "tst_desktopkde.moc"
