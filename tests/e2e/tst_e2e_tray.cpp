// The tray icon on both kinds of notification area, on a real X server with a tray host and the demo
// catalogue server: docked in the panel through XEmbed where no StatusNotifierWatcher runs on the
// session bus, and registered as a StatusNotifierItem where one does. Each run has a session bus of
// its own, so the machine's session never decides which path is taken.
#include "E2EHarness.h"
#include "SessionBus.h"
#include "StatusNotifierWatcherDouble.h"
#include "server/ServerHarness.h"
#include "widgets/BuiltinPictures.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCall>
#include <QDBusVariant>
#include <QDir>
#include <QImage>
#include <QTest>
#include <QtEndian>
#include <csignal>

using namespace E2E;

namespace {

// A picture of the StatusNotifierItem protocol: its size and ARGB32 pixels in network byte order.
struct TItemPicture {
    int Width = 0;
    int Height = 0;
    QByteArray Pixels;
};

QList<TItemPicture> ReadPictures(const QDBusArgument& argument) {
    QList<TItemPicture> pictures;
    argument.beginArray();
    while (!argument.atEnd()) {
        TItemPicture picture;
        argument.beginStructure();
        argument >> picture.Width >> picture.Height >> picture.Pixels;
        argument.endStructure();
        pictures << picture;
    }
    argument.endArray();
    return pictures;
}

// The same picture in the protocol's form.
QByteArray ProtocolPixels(const QImage& image) {
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    QByteArray pixels(argb.width() * argb.height() * 4, Qt::Uninitialized);
    qToBigEndian<quint32>(argb.constBits(), argb.width() * argb.height(), pixels.data());
    return pixels;
}

// Calls the program over the bus while the watcher goes on answering: the program asks the watcher
// too, and a test that only waited for its reply would hold both up.
QDBusMessage CallAnswering(const QDBusConnection& connection, const QDBusMessage& call) {
    const QDBusPendingCall pending = connection.asyncCall(call);
    (void)QTest::qWaitFor([&] { return pending.isFinished(); }, 30000);
    return pending.reply();
}

// The labels of a menu's entries from a com.canonical.dbusmenu layout: (id, properties, children).
QStringList EntryLabels(const QDBusArgument& layout) {
    QStringList labels;
    int id = 0;
    QVariantMap properties;
    layout.beginStructure();
    layout >> id >> properties;
    layout.beginArray();
    while (!layout.atEnd()) {
        QDBusVariant child;
        layout >> child;
        const QDBusArgument entry = child.variant().value<QDBusArgument>();
        QVariantMap entryProperties;
        entry.beginStructure();
        entry >> id >> entryProperties;
        entry.endStructure();
        labels << entryProperties.value(QStringLiteral("label")).toString();
    }
    layout.endArray();
    layout.endStructure();
    return labels;
}

// The item's properties, read over the bus.
QVariantMap ItemProperties(const QDBusConnection& connection,
                           const TStatusNotifierWatcherDouble::TItem& item) {
    QDBusMessage getAll = QDBusMessage::createMethodCall(
        item.Service, item.Path, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("GetAll"));
    getAll << QStringLiteral("org.kde.StatusNotifierItem");
    return qdbus_cast<QVariantMap>(CallAnswering(connection, getAll).arguments().value(0));
}

// The title of the item's tooltip: what the tray tells about the cam.
QString ToolTipTitle(const QVariantMap& properties) {
    const QDBusArgument toolTip = properties.value("ToolTip").value<QDBusArgument>();
    QString icon, title, text;
    toolTip.beginStructure();
    toolTip >> icon;
    ReadPictures(toolTip);
    toolTip >> title >> text;
    toolTip.endStructure();
    return title;
}

// Whether the item shows `icon`, at each size it offers.
bool ItemShows(const QVariantMap& properties, const QIcon& icon) {
    const QList<TItemPicture> pictures = ReadPictures(properties.value("IconPixmap").value<QDBusArgument>());
    for (const TItemPicture& picture : pictures)
        if (picture.Pixels != ProtocolPixels(icon.pixmap(QSize(picture.Width, picture.Height)).toImage()))
            return false;
    return !pictures.isEmpty();
}

// What a desktop's notification service offers: it records the notifications' summaries.
class TNotificationsDouble : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    QStringList Summaries;

public Q_SLOTS:
    uint Notify(const QString&, uint, const QString&, const QString& summary, const QString&,
                const QStringList&, const QVariantMap&, int) {
        Summaries << summary;
        return uint(Summaries.size());
    }
};

bool ConfigurationWindowShows() {
    return !VisibleWindowsOfSize(597, 398).isEmpty();
}

// Clicks until the configuration window shows: a click that comes while the program is still starting
// is not answered, and a user clicks again.
bool ClicksOpenTheConfigurationWindow(const std::function<bool()>& click) {
    for (int attempt = 0; attempt < 10; ++attempt) {
        if (!click())
            return false;
        if (QTest::qWaitFor(ConfigurationWindowShows, 3000))
            return true;
    }
    return false;
}

} // namespace

class TestE2ETray : public QObject {
    Q_OBJECT
    QProcess m_trayer;
    TRunningServer m_server;
    QProcess m_lumora;

    void StartLumora(const TSessionBus& bus) {
        QProcessEnvironment environment =
            LumoraEnvironment("localhost", "localhost:80:127.0.0.1:" + QByteArray::number(m_server.Port()));
        environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), bus.Address());
        m_lumora.setProcessEnvironment(environment);
        m_lumora.setProcessChannelMode(QProcess::ForwardedChannels);
        m_lumora.start(QStringLiteral(LUMORA_BINARY), {});
        QVERIFY(m_lumora.waitForStarted());
    }

private Q_SLOTS:
    void initTestCase() {
        if (qEnvironmentVariableIsEmpty("DISPLAY"))
            QSKIP("needs an X server (run through xvfb-run)");
        QVERIFY(StartTrayer(m_trayer));
        QVERIFY(m_server.Start(ScratchPath("tray.db"), {QStringLiteral("--demo")}));
        // A user who has chosen a cam before: the program starts in the tray without a window.
        const QString settings = qEnvironmentVariable("XDG_CONFIG_HOME") + "/Lumora/Lumora.conf";
        QVERIFY(QDir().mkpath(QFileInfo(settings).absolutePath()));
        QFile file(settings);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(
            "[General]\nActive=0\nShowMessages=0\nRefID=1\nURL=http://localhost/demo/clock-london.jpg\n"
            "Name=Station Clock, London\nRefresh=60\n");
    }

    void cleanup() {
        if (m_lumora.state() == QProcess::NotRunning)
            return;
        ::kill(pid_t(m_lumora.processId()), SIGTERM);
        QVERIFY(m_lumora.waitForFinished(10000));
    }

    void cleanupTestCase() { Stop(m_trayer); }

    void dockedInThePanelWhereNoWatcherRuns() {
        TSessionBus bus;
        QVERIFY(bus.Start(ScratchPath("xembed")));
        StartLumora(bus);
        QTRY_COMPARE_WITH_TIMEOUT(WindowsDockedInTray(m_lumora.processId()), 1, 20000);
        QVERIFY(!ConfigurationWindowShows());
        QVERIFY(ClicksOpenTheConfigurationWindow([] {
            const std::optional<QPoint> icon = TrayIconCentre();
            return icon && ClickAt(*icon);
        }));
    }

    // Starting the program again from the menu opens the window of the one that runs; the second
    // start ends, and its start delay is not the first one's concern.
    void aSecondStartOpensTheRunningProgramsWindow() {
        TSessionBus bus;
        QVERIFY(bus.Start(ScratchPath("second")));
        StartLumora(bus);
        QTRY_COMPARE_WITH_TIMEOUT(WindowsDockedInTray(m_lumora.processId()), 1, 20000);
        QVERIFY(!ConfigurationWindowShows());
        QVERIFY(ClicksOpenTheConfigurationWindow([this] {
            QProcess second;
            second.setProcessEnvironment(m_lumora.processEnvironment());
            second.start(QStringLiteral(LUMORA_BINARY), {QStringLiteral("/d30")});
            return second.waitForFinished(10000) && second.exitCode() == 0;
        }));
        QCOMPARE(m_lumora.state(), QProcess::Running);
    }

    void registeredAsStatusNotifierItemWhereAWatcherRuns() {
        TSessionBus bus;
        QVERIFY(bus.Start(ScratchPath("sni")));
        QDBusConnection connection = QDBusConnection::connectToBus(bus.Address(), QStringLiteral("watcher"));
        QVERIFY(connection.isConnected());
        TStatusNotifierWatcherDouble watcher;
        QVERIFY(watcher.Register(connection));
        StartLumora(bus);
        QTRY_COMPARE_WITH_TIMEOUT(watcher.Items().size(), 1, 20000);
        const TStatusNotifierWatcherDouble::TItem item = watcher.Items().first();
        // One icon, in the item only: nothing docks in the XEmbed panel.
        QCOMPARE(WindowsDockedInTray(m_lumora.processId()), 0);

        QDBusMessage getAll = QDBusMessage::createMethodCall(
            item.Service, item.Path, QStringLiteral("org.freedesktop.DBus.Properties"),
            QStringLiteral("GetAll"));
        getAll << QStringLiteral("org.kde.StatusNotifierItem");
        const QDBusMessage reply = CallAnswering(connection, getAll);
        QVERIFY2(reply.type() == QDBusMessage::ReplyMessage, qPrintable(reply.errorMessage()));
        const QVariantMap properties = qdbus_cast<QVariantMap>(reply.arguments().value(0));
        QCOMPARE(properties.value("Id").toString(), QStringLiteral("Lumora"));
        QCOMPARE(properties.value("Title").toString(), QStringLiteral("Lumora"));
        QCOMPARE(properties.value("Status").toString(), QStringLiteral("Active"));
        QCOMPARE(properties.value("Category").toString(), QStringLiteral("ApplicationStatus"));

        QCOMPARE(properties.value("ToolTip").value<QDBusArgument>().currentSignature(),
                 QStringLiteral("(sa(iiay)ss)"));
        // The user's cam is not active: the tray says so, in words and with the paused icon.
        QCOMPARE(ToolTipTitle(properties), QStringLiteral("Paused"));
        QCOMPARE(properties.value("IconPixmap").value<QDBusArgument>().currentSignature(),
                 QStringLiteral("a(iiay)"));
        QVERIFY(ItemShows(properties, PausedIcon()));

        // The item's menu is offered over the bus, and activating the item does what a click on the
        // icon does.
        QDBusMessage layout = QDBusMessage::createMethodCall(
            item.Service, properties.value("Menu").value<QDBusObjectPath>().path(),
            QStringLiteral("com.canonical.dbusmenu"), QStringLiteral("GetLayout"));
        layout << 0 << 1 << QStringList{QStringLiteral("label")};
        const QDBusMessage menu = CallAnswering(connection, layout);
        QVERIFY2(menu.type() == QDBusMessage::ReplyMessage, qPrintable(menu.errorMessage()));
        const QStringList labels = EntryLabels(menu.arguments().value(1).value<QDBusArgument>());
        QVERIFY2(labels.size() > 2 && labels.count(QString()) < labels.size() / 2,
                 qPrintable(labels.join('|')));
        QDBusMessage contextMenu = QDBusMessage::createMethodCall(
            item.Service, item.Path, QStringLiteral("org.kde.StatusNotifierItem"),
            QStringLiteral("ContextMenu"));
        contextMenu << 0 << 0;
        QCOMPARE(CallAnswering(connection, contextMenu).type(), QDBusMessage::ReplyMessage);
        QVERIFY(!ConfigurationWindowShows());
        QVERIFY(ClicksOpenTheConfigurationWindow([&] {
            QDBusMessage activate = QDBusMessage::createMethodCall(
                item.Service, item.Path, QStringLiteral("org.kde.StatusNotifierItem"),
                QStringLiteral("Activate"));
            activate << 0 << 0;
            return CallAnswering(connection, activate).type() == QDBusMessage::ReplyMessage;
        }));
    }

    // A cam whose server is gone: after two refreshes without a picture the tray shows the failing
    // icon and says since when, and the desktop is told once, not at every refresh.
    void aFailingCamIsToldOnce() {
        const QString settings = qEnvironmentVariable("XDG_CONFIG_HOME") + "/Lumora/Lumora.conf";
        QFile file(settings);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[General]\nActive=1\nShowMessages=0\nRefID=9999\nURL=http://localhost/gone/harbour.jpg\n"
                   "Name=Harbour\nRefresh=1\n");
        file.close();
        TSessionBus bus;
        QVERIFY(bus.Start(ScratchPath("failing")));
        QDBusConnection connection = QDBusConnection::connectToBus(bus.Address(), QStringLiteral("failing"));
        TStatusNotifierWatcherDouble watcher;
        QVERIFY(watcher.Register(connection));
        TNotificationsDouble notifications;
        QVERIFY(connection.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &notifications,
                                          QDBusConnection::ExportAllSlots));
        QVERIFY(connection.registerService(QStringLiteral("org.freedesktop.Notifications")));
        StartLumora(bus);
        QTRY_COMPARE_WITH_TIMEOUT(watcher.Items().size(), 1, 20000);

        QTRY_VERIFY_WITH_TIMEOUT(ToolTipTitle(ItemProperties(connection, watcher.Items().first()))
                                     .startsWith(QStringLiteral("Cannot reach localhost since ")),
                                 20000);
        QVERIFY(ItemShows(ItemProperties(connection, watcher.Items().first()), FailingIcon()));
        QTest::qWait(3500); // three more refreshes fail
        QCOMPARE(notifications.Summaries.size(), 1);
        QVERIFY(notifications.Summaries.first().startsWith(QStringLiteral("Cannot reach localhost since ")));
    }
};

QTEST_MAIN(TestE2ETray)
#include "tst_e2e_tray.moc"
