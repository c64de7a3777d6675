// A real cam of today as a user adds it: the address of an MJPEG stream on an HTTPS server on a port
// of its own, pasted into the cam dialog, previewed and applied, becomes the desktop background.
// The catalogue comes from one lumora-server, the cam from a second one that serves TLS itself with
// a certificate of a private authority made for the test.
#include "E2EHarness.h"
#include "TlsFront.h"
#include "app/MainFormParts.h"
#include "app/USplashForm.h"
#include "core/SettingsKey.h"
#include "outreach/UMForm.h"
#include "platform/ULMRLib.h"
#include "platform/desktop/DesktopChoice.h"
#include "server/ServerHarness.h"

#include <QApplication>
#include <QDir>
#include <QTest>
#include <QTimer>

using namespace E2E;

namespace {

bool WaitForPreview(const TMainForm& w, const QString& title) {
    return QTest::qWaitFor(
        [&] { return !Browser(w).PreviewBusy() && Label(w, "TitleLabel")->text() == title; }, 20000);
}

bool ClickControl(QWidget* control) {
    return ClickAt(control->mapToGlobal(control->rect().center()));
}

} // namespace

class TestE2ESecureCam : public QObject {
    Q_OBJECT
    QProcess m_trayer;
    TestCertificates m_authority;
    TRunningServer m_catalogue;
    TRunningServer m_cams;

private Q_SLOTS:
    void initTestCase() {
        if (qEnvironmentVariableIsEmpty("DISPLAY"))
            QSKIP("needs an X server (run through xvfb-run)");
        QVERIFY(m_authority.IsReady());
        const TestCertificates::Identity identity = m_authority.Issue("cams", {"DNS:localhost"});
        QVERIFY(m_catalogue.Start(QDir::home().filePath(QStringLiteral("catalogue.db")), {"--demo"}));
        QVERIFY(m_cams.Start(QDir::home().filePath(QStringLiteral("cams.db")),
                             {"--demo", "--tls-cert", identity.Certificate, "--tls-key", identity.Key}));
        qputenv("LUMORA_DESKTOP", "x11");
        qputenv("LUMORA_CATALOGUE_HOST", "localhost");
        qputenv("LUMORA_CONNECT_TO", "localhost:80:127.0.0.1:" + QByteArray::number(m_catalogue.Port()));
        qputenv("LUMORA_EXTRA_CA_FILE", QFile::encodeName(m_authority.CaFile()));
        QVERIFY(StartTrayer(m_trayer));
    }

    void cleanupTestCase() { Stop(m_trayer); }

    void streamOfAnHttpsCamOnAPortBecomesTheWallpaper() {
        TMainForm w{QStringList()};
        QVERIFY(QTest::qWaitFor([&] { return w.CatalogueArrived() && w.isEnabled(); }, 20000));
        QVERIFY(QTest::qWaitFor([] { return TopLevel<TSplashForm>() == nullptr; }, 10000));
        if (QTest::qWaitFor([] { return Shown<TMForm>(); }, 10000))
            Shown<TMForm>()->findChild<TImgBtn*>(QStringLiteral("OKBut"))->Click();
        QVERIFY(WaitForPreview(w, QStringLiteral("Grand Hall Clock, New York")));
        QTest::qWait(300); // let the window manager place the window before the mouse aims at it

        const QString address =
            QStringLiteral("https://localhost:%1/demo/harbour-stream.mjpg").arg(m_cams.Port());
        QTimer::singleShot(500, qApp, [&] {
            TCamForm& camForm = *Shown<TCamForm>();
            camForm.findChild<QLineEdit*>(QStringLiteral("TitleEdit"))
                ->setText(QStringLiteral("Pier Stream"));
            camForm.findChild<QLineEdit*>(QStringLiteral("URLEdit"))->setText(address);
            camForm.accept();
        });
        QVERIFY(ClickControl(Button(w, "PlusBut")));
        QVERIFY(WaitForPreview(w, QStringLiteral("Pier Stream")));
        QVERIFY(!Label(w, "PreviewImage")->pixmap().isNull());

        const quint64 previousScreen = RootChecksum();
        QVERIFY(ClickControl(Button(w, "OKBut")));
        QVERIFY(QTest::qWaitFor(
            [&] {
                return CreateDesktop()
                    ->Read()
                    .value_or(TDesktopWallpaper{})
                    .Path.startsWith(DataDirectory() + QStringLiteral("/Pic"));
            },
            20000));
        QVERIFY(QTest::qWaitFor([&] { return RootChecksum() != previousScreen; }, 5000));
        QCOMPARE(TSettingsKey::Open()->Read(Settings::CamName), QByteArray("Pier Stream"));
        QCOMPARE(w.ActiveCam()->URL, address.toLatin1());
    }
};

int main(int argc, char* argv[]) {
    // The windows go to the real X server, as a user's would.
    qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);
    TestE2ESecureCam test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_e2e_securecam.moc"
