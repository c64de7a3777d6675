// The cam browser as a user meets it, on a real X server with a tray host and the demo catalogue
// of lumora-server: categories opened and cams picked with the mouse, a picture applied as the
// desktop background, a PNG cam refused, and a custom cam added, applied and kept across a restart;
// then a real cam of today: the MJPEG stream of an HTTPS server on a port of its own (a second
// lumora-server serving TLS with a certificate of an authority made for the test).
#include "E2EHarness.h"
#include "TlsFront.h"
#include "app/MainFormParts.h"
#include "app/USplashForm.h"
#include "core/SettingsKey.h"
#include "core/picture/PictureEncoders.h"
#include "outreach/UMForm.h"
#include "platform/ULMRLib.h"
#include "platform/desktop/DesktopChoice.h"
#include "server/ServerHarness.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTest>
#include <QTimer>

using namespace E2E;

namespace {

const Rgb Previous{30, 90, 160};
// A point of the wallpaper that no window covers.
const QPoint Corner{40, 560};

QModelIndex NodeNamed(const TMainForm& w, const QString& name) {
    return Tree(w)
        ->match(Tree(w)->index(0, 0), Qt::DisplayRole, name, 1, Qt::MatchExactly | Qt::MatchRecursive)
        .value(0);
}

// Clicks with the real mouse, through the X server, in the middle of a node or a control.
bool ClickNode(TMainForm& w, const QModelIndex& node) {
    TCamTreeView* tree = TreeView(w);
    tree->scrollTo(node);
    return ClickAt(tree->viewport()->mapToGlobal(tree->visualRect(node).center()));
}
bool ClickControl(QWidget* control) {
    return ClickAt(control->mapToGlobal(control->rect().center()));
}

bool WaitForPreview(const TMainForm& w, const QString& title) {
    return QTest::qWaitFor(
        [&] { return !Browser(w).PreviewBusy() && Label(w, "TitleLabel")->text() == title; }, 20000);
}

} // namespace

class TestE2EBrowser : public QObject {
    Q_OBJECT
    QProcess m_trayer;
    TRunningServer m_server;
    TestCertificates m_authority;
    TRunningServer m_secureServer;
    QString m_previousBitmap;

    std::unique_ptr<TMainForm> StartLumora() {
        auto form = std::make_unique<TMainForm>(QStringList());
        const TMainForm& w = *form;
        if (!QTest::qWaitFor([&] { return w.CatalogueArrived() && w.isEnabled(); }, 20000))
            return nullptr;
        // The splash covers the middle of the screen, above every window, for its first seconds.
        if (!QTest::qWaitFor([] { return TopLevel<TSplashForm>() == nullptr; }, 10000))
            return nullptr;
        // A first run shows the server's message; the user closes it.
        if (QTest::qWaitFor([] { return Shown<TMForm>(); }, 10000))
            Shown<TMForm>()->findChild<TImgBtn*>(QStringLiteral("OKBut"))->Click();
        return form;
    }

private Q_SLOTS:
    void initTestCase() {
        if (qEnvironmentVariableIsEmpty("DISPLAY"))
            QSKIP("needs an X server (run through xvfb-run)");
        QVERIFY(
            m_server.Start(QDir::home().filePath(QStringLiteral("browser.db")), {QStringLiteral("--demo")}));
        qputenv("LUMORA_DESKTOP", "x11");
        qputenv("LUMORA_CATALOGUE_HOST", "localhost");
        qputenv("LUMORA_CONNECT_TO", "localhost:80:127.0.0.1:" + QByteArray::number(m_server.Port()));
        const TestCertificates::Identity identity = m_authority.Issue("cams", {"DNS:localhost"});
        QVERIFY(
            m_secureServer.Start(QDir::home().filePath(QStringLiteral("secure.db")),
                                 {"--demo", "--tls-cert", identity.Certificate, "--tls-key", identity.Key}));
        qputenv("LUMORA_EXTRA_CA_FILE", QFile::encodeName(m_authority.CaFile()));
        m_previousBitmap = QDir::home().filePath(QStringLiteral("previous.bmp"));
        QCOMPARE(WriteBmpFile(m_previousBitmap, Filled(64, 48, Previous)).Error(), QString());
        QVERIFY(CreateDesktop()->Write({m_previousBitmap, false, true}));
        QVERIFY(WaitForRoot(Previous, 5000));
        QVERIFY(StartTrayer(m_trayer));
    }

    void cleanupTestCase() { Stop(m_trayer); }

    void firstRunPicksPreviewsAppliesAndKeepsACustomCam() {
        std::unique_ptr<TMainForm> form = StartLumora();
        QVERIFY(form);
        TMainForm& w = *form;
        QVERIFY(w.isVisible());
        // The first run shows the first cam of the first category.
        QVERIFY(WaitForPreview(w, QStringLiteral("Grand Hall Clock, New York")));
        QTest::qWait(300); // let the window manager place the window before the mouse aims at it

        const QModelIndex skies = NodeNamed(w, QStringLiteral("Skies"));
        QVERIFY(!TreeView(w)->isExpanded(skies));
        QVERIFY(ClickNode(w, skies));
        QVERIFY(QTest::qWaitFor([&] { return TreeView(w)->isExpanded(skies); }, 5000));
        QVERIFY(ClickNode(w, NodeNamed(w, QStringLiteral("Fjord Sky, Oslo"))));
        QVERIFY(WaitForPreview(w, QStringLiteral("Fjord Sky, Oslo")));
        QVERIFY(!Label(w, "PreviewImage")->pixmap().isNull());
        QVERIFY(Button(w, "OKBut")->isEnabled());
        const quint64 previousScreen = RootChecksum();
        QVERIFY(ClickControl(Button(w, "OKBut")));
        QVERIFY(QTest::qWaitFor([&] { return !w.isVisible(); }, 5000));
        // The cam's picture is installed at once and shows; its colours depend on the time of day.
        QVERIFY(QTest::qWaitFor(
            [&] {
                return CreateDesktop()
                    ->Read()
                    .value_or(TDesktopWallpaper{})
                    .Path.startsWith(DataDirectory() + QStringLiteral("/Pic"));
            },
            20000));
        QVERIFY(QTest::qWaitFor([&] { return RootChecksum() != previousScreen; }, 5000));
        QCOMPARE(TSettingsKey::Open()->Read(Settings::CamName), QByteArray("Fjord Sky, Oslo"));

        // A PNG cam ends in the not-available display; OK stays refused.
        w.ShowConfiguration();
        QVERIFY(WaitForPreview(w, QStringLiteral("Fjord Sky, Oslo")));
        QTest::qWait(300);
        const QModelIndex harbours = NodeNamed(w, QStringLiteral("Harbours"));
        QVERIFY(ClickNode(w, harbours));
        QVERIFY(QTest::qWaitFor([&] { return TreeView(w)->isExpanded(harbours); }, 5000));
        QVERIFY(ClickNode(w, NodeNamed(w, QStringLiteral("Lighthouse, Halifax"))));
        QVERIFY(WaitForPreview(w, QStringLiteral("Sorry...not available")));
        QVERIFY(!Button(w, "OKBut")->isEnabled());

        // A custom cam through the dialog: previewed, applied, written to Custom.Cams.
        QTimer::singleShot(500, qApp, [] {
            TCamForm& camForm = *Shown<TCamForm>();
            camForm.findChild<QLineEdit*>(QStringLiteral("TitleEdit"))
                ->setText(QStringLiteral("My Boulevard"));
            camForm.findChild<QLineEdit*>(QStringLiteral("URLEdit"))
                ->setText(QStringLiteral("http://localhost/demo/traffic-paris.jpg"));
            camForm.findChild<QComboBox*>(QStringLiteral("CountryEdit"))
                ->setEditText(QStringLiteral("France"));
            camForm.findChild<QLineEdit*>(QStringLiteral("RefreshEdit"))->setText(QStringLiteral("45"));
            camForm.accept();
        });
        QVERIFY(ClickControl(Button(w, "PlusBut")));
        QVERIFY(WaitForPreview(w, QStringLiteral("My Boulevard")));
        QVERIFY(QFile(TCamBrowser::CustomCamsPath()).exists());
        QVERIFY(ClickControl(Button(w, "Applybut")));
        QVERIFY(QTest::qWaitFor(
            [] { return TSettingsKey::Open()->Read(Settings::CamName) == "My Boulevard"; }, 5000));
        QCOMPARE(TSettingsKey::Open()->Read(Settings::CamRefID), -1);

        // After a restart the custom cam is back under "Custom", and it is the active cam.
        form.reset();
        form = StartLumora();
        QVERIFY(form);
        const QModelIndex custom = NodeNamed(*form, QStringLiteral("My Boulevard"));
        QVERIFY(custom.isValid());
        QCOMPARE(custom.parent().data().toString(), QStringLiteral("Custom"));
        QCOMPARE(Tree(*form)->CamOf(custom)->Refresh, 45);
        QCOMPARE(form->ActiveCam()->URL, QByteArray("http://localhost/demo/traffic-paris.jpg"));
        form->ShowConfiguration();
        QVERIFY(WaitForPreview(*form, QStringLiteral("My Boulevard")));
        QCOMPARE(TreeView(*form)->selectionModel()->selectedIndexes().value(0), QModelIndex(custom));
        form.reset();
    }

    void customCamOfAnHttpsStreamOnAPortBecomesTheWallpaper() {
        std::unique_ptr<TMainForm> form = StartLumora();
        QVERIFY(form);
        TMainForm& w = *form;
        w.ShowConfiguration();
        QVERIFY(WaitForPreview(w, QStringLiteral("My Boulevard")));
        QTest::qWait(300);
        const QByteArray address =
            "https://localhost:" + QByteArray::number(m_secureServer.Port()) + "/demo/harbour-stream.mjpg";
        QTimer::singleShot(500, qApp, [&] {
            TCamForm& camForm = *Shown<TCamForm>();
            camForm.findChild<QLineEdit*>(QStringLiteral("TitleEdit"))
                ->setText(QStringLiteral("Pier Stream"));
            camForm.findChild<QLineEdit*>(QStringLiteral("URLEdit"))->setText(QString::fromLatin1(address));
            camForm.accept();
        });
        QVERIFY(ClickControl(Button(w, "PlusBut")));
        QVERIFY(WaitForPreview(w, QStringLiteral("Pier Stream")));
        const quint64 previousScreen = RootChecksum();
        QVERIFY(ClickControl(Button(w, "OKBut")));
        QVERIFY(QTest::qWaitFor([] { return TSettingsKey::Open()->Read(Settings::CamName) == "Pier Stream"; },
                                5000));
        QVERIFY(QTest::qWaitFor([&] { return RootChecksum() != previousScreen; }, 20000));
        QCOMPARE(w.ActiveCam()->URL, address);
    }
};

int main(int argc, char* argv[]) {
    // The windows go to the real X server, as a user's would.
    qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);
    TestE2EBrowser test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_e2e_browser.moc"
