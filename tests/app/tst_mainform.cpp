// The configuration window's wiring: start-up, settings, commit, enable rules, close and shutdown,
// with the real settings file and autostart folder, and a recording desktop.
#include "TestHttpServer.h"
#include "app/LanguagesMenu.h"
#include "app/MainFormParts.h"
#include "app/TrayIcon.h"
#include "app/USplashForm.h"
#include "core/StoredSettings.h"
#include "core/picture/PictureEncoders.h"
#include "core/picture/TestPictures.h"
#include "i18n/UDownloadForm.h"
#include "net/HTTPGet.h"
#include "outreach/UMForm.h"
#include "platform/Autostart.h"
#include "platform/ShellOpen.h"
#include "platform/ULMRLib.h"
#include "wallpaper/RecordingDesktop.h"
#include "widgets/BuiltinPictures.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QPointer>
#include <QScreen>
#include <QSignalSpy>
#include <QSystemTrayIcon>
#include <QTest>
#include <QTimer>

namespace {

struct Form {
    RecordingDesktop* Desktop = nullptr;
    // The desktop's last install, kept beyond the window that owns the desktop.
    std::shared_ptr<TDesktopWallpaper> Installed = std::make_shared<TDesktopWallpaper>();
    std::unique_ptr<TMainForm> Window;
};

Form MakeForm(const QStringList& arguments = {}, TDesktopWallpaper current = {}) {
    auto desktop = std::make_unique<RecordingDesktop>();
    desktop->Current = current;
    Form form;
    form.Desktop = desktop.get();
    desktop->OnWrite = [installed = form.Installed](const TDesktopWallpaper& w) { *installed = w; };
    *form.Installed = current;
    form.Window = std::make_unique<TMainForm>(arguments, std::move(desktop));
    return form;
}

void StoreCam(const QByteArray& url, int refresh) {
    QVERIFY((TStoredSettings{url, "Harbour", 7, refresh, false, false}.Store()));
}

QString UsersWallpaper() {
    const QString path = QDir::home().filePath(QStringLiteral("own.bmp"));
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(EncodeBmp(GradientPicture(4, 4)));
    return path;
}
// "Shut down" ends the program's loop through a queued exit. The test runs that loop, so that the exit
// ends it here and not the loop of a later test's dialog.
bool ShutDownEndsTheLoop() {
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, qApp, [] { QCoreApplication::exit(1); });
    guard.start(5000);
    return QCoreApplication::exec() == 0;
}

// Waits until the window has handled the catalogue reply and is enabled again.
bool WaitForCatalogue(const TMainForm& w) {
    return QTest::qWaitFor([&] { return w.CatalogueArrived() && w.isEnabled(); }, 10000);
}

// A catalogue of the browser tests: pictures the test server has, a PNG, a broken one and one
// that never arrives.
const QByteArray BrowserCatalogue =
    "object=cam\nrefid=21\nurl=http://cams.example/harbour.jpg\nname=Harbour\n"
    "description=Boats\nrefresh=30\ncategory=Sea\ncountry=Norway\nend\n"
    "object=cam\nrefid=22\nurl=http://cams.example/bay.jpg\nname=Bay\n"
    "refresh=40\ncategory=Sea\ncountry=Chile\nend\n"
    "object=cam\nrefid=23\nurl=http://cams.example/tower.jpg\nname=Tower\n"
    "category=City\ncountry=norway\nend\n"
    "object=cam\nrefid=24\nurl=http://cams.example/light.png\nname=Light\n"
    "category=City\ncountry=Chile\nend\n"
    "object=cam\nrefid=25\nurl=http://cams.example/broken.jpg\nname=Broken\n"
    "category=City\ncountry=Chile\nend\n"
    "object=cam\nrefid=26\nurl=http://cams.example/stall.jpg\nname=Stall\n"
    "category=City\ncountry=Chile\nend\n";

// A shown window with the browser catalogue and nothing previewed yet.
Form BrowserForm(TestHttpServer& catalogue) {
    StoreCam("http://cams.example/pier.jpg", 45);
    catalogue.Serve("/lmr/camlist3.php", BrowserCatalogue, "text/plain");
    Form form = MakeForm();
    if (!WaitForCatalogue(*form.Window))
        return form;
    form.Window->show();
    return form;
}

QModelIndex NodeNamed(const TMainForm& w, const QString& name) {
    const QModelIndexList found =
        Tree(w)->match(Tree(w)->index(0, 0), Qt::DisplayRole, name, 1, Qt::MatchExactly | Qt::MatchRecursive);
    return found.value(0);
}

void ClickNode(TMainForm& w, const QModelIndex& node) {
    TreeView(w)->scrollTo(node);
    QTest::mouseClick(TreeView(w)->viewport(), Qt::LeftButton, {}, TreeView(w)->visualRect(node).center());
}

QString SelectedText(const TMainForm& w) {
    const QModelIndexList selected = TreeView(w)->selectionModel()->selectedIndexes();
    return selected.isEmpty() ? QString() : selected.first().data().toString();
}

// Answers the next cam dialog with these fields (title, address, country, refresh), or cancels it.
void AnswerCamForm(const QStringList& fields, bool accept = true) {
    QTimer::singleShot(0, qApp, [fields, accept] {
        TCamForm* dialog = Shown<TCamForm>();
        QVERIFY(dialog);
        dialog->findChild<QLineEdit*>(QStringLiteral("TitleEdit"))->setText(fields.value(0));
        dialog->findChild<QLineEdit*>(QStringLiteral("URLEdit"))->setText(fields.value(1));
        dialog->findChild<QComboBox*>(QStringLiteral("CountryEdit"))->setEditText(fields.value(2));
        dialog->findChild<QLineEdit*>(QStringLiteral("RefreshEdit"))->setText(fields.value(3));
        dialog->done(accept ? QDialog::Accepted : QDialog::Rejected);
    });
}

QByteArray CustomCamsFile() {
    QFile file(TCamBrowser::CustomCamsPath());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(none)");
}

} // namespace

class TestMainForm : public QObject {
    Q_OBJECT
    // Every window asks the catalogue server at start-up; this one answers with one cam.
    TestHttpServer m_catalogue;

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(m_catalogue.IsListening());
        const QByteArray picture = EncodeJpeg(GradientPicture(64, 48));
        for (const char* path : {"/pier.jpg", "/harbour.jpg", "/bay.jpg", "/tower.jpg"})
            m_catalogue.Serve(path, picture, "image/jpeg");
        m_catalogue.Serve("/light.png", QByteArray("\x89PNG\r\n\x1a\n", 8) + picture, "image/png");
        m_catalogue.Serve("/broken.jpg", "not a picture", "image/jpeg");
        TestHttpServer::Reply never;
        never.Behaviour = TestHttpServer::Misbehaviour::NeverAnswer;
        m_catalogue.Serve("/stall.jpg", never);
        qputenv("LUMORA_CATALOGUE_HOST", "catalogue.test");
        qputenv("LUMORA_CONNECT_TO", m_catalogue.ConnectToRule("catalogue.test") + "," +
                                         m_catalogue.ConnectToRule("cams.example"));
    }

    // A fetch still running belongs to the window of the test that started it; the next test
    // starts only when the network is quiet.
    void cleanup() { QTRY_COMPARE_WITH_TIMEOUT(THTTPGet::RunningFetchers(), 0, 20000); }

    void init() {
        m_catalogue.Serve("/lmr/camlist3.php",
                          "object=cam\r\nrefid=12\r\nurl=http://cams.example/pier.jpg\r\nname=Pier\r\n"
                          "refresh=90\r\ncategory=Sea\r\ncountry=Norway\r\nend\r\n",
                          "text/plain");
        QFile::remove(TSettingsKey::FilePath());
        QFile::remove(AutostartEntryPath());
        QDir(DataDirectory()).removeRecursively();
    }

    void firstRunOpensTheWindowAndStartsWithTheSession() {
        Form form = MakeForm();
        TMainForm& w = *form.Window;
        QVERIFY(w.isVisible());
        QVERIFY(w.Active() && w.ShowMessages() && w.Stretch());
        QVERIFY(Entry(w, "Active1")->isChecked() && Entry(w, "Showmessages1")->isChecked() &&
                Find<QCheckBox>(w, "StretchCheck")->isChecked());
        QVERIFY(IsRunOnStartup());
        QVERIFY(Entry(w, "Runonstartup1")->isChecked());
        // The key exists, but nothing is stored in it until the first save.
        QVERIFY(TSettingsKey::Exists());
        QVERIFY(!TSettingsKey::Open()->ValueExists(Settings::Active.Key()));
        QVERIFY(DirectoryExists(DataDirectory()));
        QCOMPARE(w.size(), QSize(597, 398));
    }

    void startWithAStoredCamInstallsItsPicture() {
        StoreCam("http://cams.example/harbour.jpg", 45);
        // What a transfer cut off by a crash left behind goes; the user's own files stay.
        QDir().mkpath(DataDirectory());
        const QString leftover = DataDirectory() + QStringLiteral("/TMP.jpg.4711-3.part");
        const QString own = DataDirectory() + QStringLiteral("/notes.part");
        QVERIFY(QFile(leftover).open(QIODevice::WriteOnly) && QFile(own).open(QIODevice::WriteOnly));
        Form form = MakeForm();
        TMainForm& w = *form.Window;
        QVERIFY(!w.isVisible());
        QCOMPARE(w.ActiveCam()->URL, QByteArray("http://cams.example/harbour.jpg"));
        QCOMPARE(w.Cycle().Timer.interval(), 45000);
        // The catalogue reply, OK or Apply switch the timer on; start-up only fetches once.
        QVERIFY(!w.Cycle().Timer.isActive());
        QVERIFY(w.Cycle().IEGet.Busy() || w.Cycle().IEGet.LastResult() == false);
        QVERIFY(!IsRunOnStartup());
        QVERIFY(!Entry(w, "Runonstartup1")->isChecked());
        // Until the catalogue arrives only "Run on startup" and "Shut down" can be used.
        QVERIFY(!Entry(w, "Configure1")->isEnabled());
        QVERIFY(Entry(w, "Runonstartup1")->isEnabled() && Entry(w, "Shutdown1")->isEnabled());
        // A window not seen yet has no controls; made later, they take the states given meanwhile.
        QVERIFY(!w.ControlsMade());
        w.MakeControls();
        QVERIFY(!Button(w, "OKBut")->isEnabled() && !Button(w, "HelpBut")->isEnabled());
        QVERIFY(!QFile::exists(leftover) && QFile::exists(own));
    }

    void storedZeroRefreshDoesNotSpinTheTimer() {
        StoreCam("http://cams.example/harbour.jpg", 0);
        Form form = MakeForm();
        QCOMPARE(form.Window->Cycle().Timer.interval(), 60000);
    }

    void catalogueReplyLeavesARunningCountdown() {
        StoreCam("http://cams.example/harbour.jpg", 45);
        Form form = MakeForm();
        TMainForm& w = *form.Window;
        QVERIFY(WaitForCatalogue(w));
        QVERIFY(w.Cycle().Timer.isActive());
        QTRY_VERIFY_WITH_TIMEOUT(w.Cycle().Timer.remainingTime() < 44000, 5000);
        const int remaining = w.Cycle().Timer.remainingTime();
        w.SelectLanguage(w.LanguageNumber());
        QVERIFY(!w.isEnabled());
        QVERIFY(WaitForCatalogue(w));
        QVERIFY(w.Cycle().Timer.isActive());
        QVERIFY(w.Cycle().Timer.remainingTime() <= remaining);
    }

    void delayedStartWaitsButRemembersTheWallpaper() {
        StoreCam("http://cams.example/harbour.jpg", 45);
        const QString own = UsersWallpaper();
        Form form = MakeForm({QStringLiteral("/d5")}, {own, true, false});
        TMainForm& w = *form.Window;
        QVERIFY(Find<QTimer>(w, "Starter")->isActive());
        QCOMPARE(Find<QTimer>(w, "Starter")->interval(), 5000);
        QVERIFY(!w.findChild<QSystemTrayIcon*>());
        QVERIFY(!w.ActiveCam());
        // No splash while the start waits.
        QVERIFY(!TopLevel<TSplashForm>());
        w.Cycle().Desktop.WaitForJobs();
        QCOMPARE(TSettingsKey::Open()->Read(Settings::OldWallPaper), own.toUtf8());
        // Shutting down during the delay puts the wallpaper back.
        form.Desktop->Current = *form.Installed = {QStringLiteral("/elsewhere.bmp"), false, false};
        w.ShutDown();
        QVERIFY(ShutDownEndsTheLoop());
        form.Window.reset();
        // Nothing was installed; the restore wrote the remembered values.
        QCOMPARE(*form.Installed, (TDesktopWallpaper{own, true, false}));
    }

    void starterRunsStartUpOnce() {
        StoreCam("http://cams.example/harbour.jpg", 45);
        Form form = MakeForm({QStringLiteral("/d5")});
        Find<QTimer>(*form.Window, "Starter")->setInterval(1);
        QTRY_VERIFY((*form.Window).ActiveCam() != nullptr);
        QVERIFY(!Find<QTimer>(*form.Window, "Starter")->isActive());
        QVERIFY((*form.Window).findChild<QSystemTrayIcon*>());
        QVERIFY(Shown<TSplashForm>());
    }

    // The splash is on top and centred, and goes after its time even over a first run's open window.
    void splashEndsWhileTheFirstRunWindowIsOpen() {
        Form form = MakeForm();
        QVERIFY(form.Window->isVisible());
        QPointer<TSplashForm> splash = TopLevel<TSplashForm>();
        QVERIFY(splash && splash->isVisible());
        QVERIFY(splash->windowFlags().testFlags(Qt::WindowStaysOnTopHint | Qt::FramelessWindowHint));
        QCOMPARE(splash->geometry().center(), splash->screen()->geometry().center());
        QVERIFY(splash->Timer.isActive());
        splash->TimerTimer();
        QTRY_VERIFY(!splash);
        QVERIFY(form.Window->isVisible());
    }

    void camPageOpensInTheBrowser_data() {
        QTest::addColumn<QByteArray>("webpage");
        QTest::addColumn<QString>("opened");
        QTest::newRow("no scheme") << QByteArray("www.site.com") << "http://www.site.com";
        QTest::newRow("no scheme, a port")
            << QByteArray("cam.example:8080/live") << "http://cam.example:8080/live";
        QTest::newRow("https") << QByteArray("https://cams.example/pier") << "https://cams.example/pier";
    }
    void camPageOpensInTheBrowser() {
        QFETCH(QByteArray, webpage);
        QList<QUrl> opened;
        SetShellOpenHandler([&](const QUrl& url) {
            opened << url;
            return true;
        });
        Form form = MakeForm();
        Browser(*form.Window).SelectedCam()->Webpage = webpage;
        Button(*form.Window, "CamPageBut")->Click();
        SetShellOpenHandler(nullptr);
        QCOMPARE(opened.size(), 1);
        QTEST(opened.at(0).toString(), "opened");
    }

    // The texts go into the link as they stand; only the hand-over to the desktop escapes them.
    void tellAFriendHandsTheMailLinkToTheDesktop() {
        QList<QUrl> opened;
        SetShellOpenHandler([&](const QUrl& url) {
            opened << url;
            return true;
        });
        Form form = MakeForm();
        TMainForm& w = *form.Window;
        Button(w, "TellBut")->Click();
        const QByteArray mail = "object=mainform\nmail_subject=Try Lumora\nmail_message=Live cams on me\n";
        QFile texts(DataDirectory() + "/lang4/properties.cam");
        QVERIFY(QDir().mkpath(DataDirectory() + "/lang4") && texts.open(QIODevice::WriteOnly));
        QVERIFY(texts.write(mail + "end\n") && texts.flush());
        w.ApplyLanguage(4);
        Button(w, "TellBut")->Click();
        SetShellOpenHandler(nullptr);
        QCOMPARE(opened.size(), 2);
        QCOMPARE(opened.at(0).toString(), QStringLiteral("mailto:friend@example.com?subject=&body="));
        QCOMPARE(QUrl::fromPercentEncoding(opened.at(1).toEncoded()),
                 QStringLiteral("mailto:friend@example.com?subject=Try Lumora&body=Live cams on me"));
    }

    void shutDownRestoresAndKeepWallpaperDoesNot_data() {
        QTest::addColumn<bool>("keep");
        QTest::newRow("shut down") << false;
        QTest::newRow("shut down and keep wallpaper") << true;
    }
    void shutDownRestoresAndKeepWallpaperDoesNot() {
        QFETCH(bool, keep);
        StoreCam("http://cams.example/harbour.jpg", 45);
        const QString own = UsersWallpaper();
        Form form = MakeForm({}, {own, false, true});
        const TDesktopWallpaper cam{DataDirectory() + QStringLiteral("/Pic1.bmp"), false, false};
        // During start-up only "Shut down" can be chosen; the reply enables the rest.
        QVERIFY(!Entry(*form.Window, "Shutdownandkeepwallpaper1")->isEnabled());
        QVERIFY(WaitForCatalogue(*form.Window));
        // The user's wallpaper was remembered first; the start's own install is over.
        QTRY_VERIFY(!form.Window->Cycle().Busy());
        form.Window->Cycle().Desktop.WaitForJobs();
        form.Desktop->Current = *form.Installed = cam;
        if (keep)
            Entry(*form.Window, "Shutdownandkeepwallpaper1")->trigger();
        else
            Entry(*form.Window, "Shutdown1")->trigger();
        QVERIFY((*form.Window).findChild<QSystemTrayIcon*>()->isVisible());
        QVERIFY(ShutDownEndsTheLoop());
        form.Window.reset();
        QCOMPARE(*form.Installed, (keep ? cam : TDesktopWallpaper{own, false, true}));
    }

    void catalogueRequestCarriesTheStoredCam_data() {
        QTest::addColumn<int>("stored");
        QTest::addColumn<QByteArray>("tail");
        QTest::newRow("first run") << 0 << QByteArray();
        QTest::newRow("catalogue cam") << 7 << QByteArray("&refid=7");
        QTest::newRow("custom cam") << -2 << QByteArray();
    }
    void catalogueRequestCarriesTheStoredCam() {
        QFETCH(int, stored);
        QFETCH(QByteArray, tail);
        if (stored != 0) {
            StoreCam("http://cams.example/harbour.jpg", 45);
            TSettingsKey::Open()->Write(Settings::CamRefID, stored);
        }
        const int before = m_catalogue.RequestCount();
        Form form = MakeForm();
        QVERIFY(WaitForCatalogue(*form.Window));
        // The stored cam's picture may be asked for first; the catalogue request is the POST.
        const QList<TestHttpServer::Request> requests = m_catalogue.Requests().mid(before);
        const auto post =
            std::find_if(requests.begin(), requests.end(), [](const TestHttpServer::Request& r) {
                return r.Head.startsWith("POST /lmr/camlist3.php HTTP/1.0\r\n");
            });
        QVERIFY(post != requests.end());
        const TestHttpServer::Request request = *post;
        QCOMPARE(request.Header("User-Agent"), QByteArray("LMR"));
        QCOMPARE(request.Body, "language=0&computer=" + ComputerIdentifier().toLatin1() + tail);
    }

    void catalogueReplyRebuildsTreeCountriesAndButtons() {
        QDir().mkpath(DataDirectory());
        QFile custom(DataDirectory() + QStringLiteral("/Custom.Cams"));
        QVERIFY(custom.open(QIODevice::WriteOnly));
        custom.write("object=cam\r\nrefid=0\r\nname=Mine\r\ncategory=Custom\r\ncountry=norway\r\nend\r\n");
        custom.close();
        Form form = MakeForm();
        TMainForm& w = *form.Window;
        QVERIFY(WaitForCatalogue(w));
        QCOMPARE(Browser(w).CamList()->Count(), 2);
        QCOMPARE(Browser(w).CamList()->Items(0)->RefID, -1);
        const TCamTreeModel& tree = *Tree(w);
        QCOMPARE(tree.rowCount(), 2);
        QCOMPARE(tree.index(0, 0).data().toString(), QStringLiteral("Custom"));
        QCOMPARE(tree.index(0, 0, tree.index(1, 0)).data().toString(), QStringLiteral("Pier"));
        QStringList countries;
        for (int i = 0; i < Find<QComboBox>(w, "CountryBox")->count(); ++i)
            countries << Find<QComboBox>(w, "CountryBox")->itemText(i);
        // The custom cam's spelling comes first; the catalogue's differs only in case.
        QCOMPARE(countries,
                 (QStringList{QStringLiteral("All Countries"), QString(), QStringLiteral("norway")}));
        QCOMPARE(Find<QComboBox>(w, "CountryBox")->currentIndex(), 0);
        QVERIFY(!Button(w, "TellBut")->isHidden());
        QCOMPARE(Button(w, "HelpBut")->pos(), QPoint(475, 281));
        QVERIFY(w.Cycle().Timer.isActive());
        QVERIFY(Entry(w, "Configure1")->isEnabled() != w.isVisible());
    }

    // A visible configuration window hides on a close request; it must not swallow "Shut down".
    void shutDownEndsTheLoopWhileTheWindowIsShown() {
        Form form = MakeForm();
        QVERIFY(form.Window->isVisible());
        QTimer::singleShot(0, form.Window.get(), &TMainForm::ShutDown);
        QVERIFY(ShutDownEndsTheLoop());
    }

    void closingHidesAndFetches() {
        StoreCam("http://cams.example/harbour.jpg", 45);
        Form form = MakeForm();
        TMainForm& w = *form.Window;
        QVERIFY(WaitForCatalogue(w));
        QTRY_VERIFY(!w.Cycle().Busy());
        w.Cycle().IEGet.URL.clear();
        w.show();
        QVERIFY(!w.close());
        QVERIFY(!w.isVisible());
        QVERIFY(Entry(w, "Configure1")->isEnabled());
        QCOMPARE(w.Cycle().IEGet.URL, QByteArray("http://cams.example/harbour.jpg"));
    }

    void commitStoresTheSelectedCam_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("refresh");
        QTest::newRow("typed refresh") << "5" << 5;
        QTest::newRow("letters use the selected cam's") << "abc" << 90;
        QTest::newRow("zero uses the selected cam's") << "0" << 90;
        QTest::newRow("negative uses the selected cam's") << "-1" << 90;
    }
    void commitStoresTheSelectedCam() {
        QFETCH(QString, typed);
        QFETCH(int, refresh);
        Form form = MakeForm();
        TMainForm& w = *form.Window;
        QVERIFY(WaitForCatalogue(w));
        // The first run previews the catalogue's first cam: Pier.
        QTRY_VERIFY(!Browser(w).PreviewBusy());
        QCOMPARE(Browser(w).SelectedCam()->RefID, 12);
        Find<QLineEdit>(w, "RefreshEdit")->setText(typed);
        Find<QCheckBox>(w, "StretchCheck")->setChecked(false);
        QVERIFY(Button(w, "OKBut")->isEnabled());
        Button(w, "OKBut")->Click();
        QVERIFY(!w.isVisible());
        QCOMPARE(w.ActiveCam()->URL, QByteArray("http://cams.example/pier.jpg"));
        QCOMPARE(w.ActiveCam()->Refresh, refresh);
        QVERIFY(!w.Stretch());
        QVERIFY(w.Cycle().Timer.isActive());
        QCOMPARE(w.Cycle().Timer.interval(), refresh * 1000);
        std::optional<TSettingsKey> key = TSettingsKey::Open();
        QCOMPARE(key->Read(Settings::CamURL), QByteArray("http://cams.example/pier.jpg"));
        QCOMPARE(key->Read(Settings::CamRefresh), refresh);
        QCOMPARE(key->Read(Settings::Stretch), false);
        QCOMPARE(key->Read(Settings::Active), true);
        // The active cam is now the selected one: nothing to restore.
        QVERIFY(!Button(w, "RestoreBut")->isEnabled());
    }

    void okAndApplyRefusedWhilePreviewRuns() {
        Form form = MakeForm();
        TMainForm& w = *form.Window;
        Browser(w).SelectedCam()->URL = "http://cams.example/pier.jpg";
        auto stall = std::make_shared<TWebCam>();
        stall->URL = "http://cams.example/stall.jpg";
        Browser(w).ShowPreview(stall);
        Button(w, "Applybut")->Click();
        Button(w, "OKBut")->Click();
        QVERIFY(w.ActiveCam()->URL.isEmpty());
        QVERIFY(w.isVisible());
    }

    void applyKeepsTheWindowOpen() {
        Form form = MakeForm();
        TMainForm& w = *form.Window;
        Browser(w).SelectedCam()->URL = "http://cams.example/pier.jpg";
        Browser(w).SelectedCam()->Refresh = 30;
        Find<QLineEdit>(w, "RefreshEdit")->setText(QStringLiteral("30"));
        Button(w, "Applybut")->Click();
        QVERIFY(w.isVisible());
        QCOMPARE(w.ActiveCam()->URL, QByteArray("http://cams.example/pier.jpg"));
    }

    void cancelUndoesNothing() {
        StoreCam("http://cams.example/harbour.jpg", 45);
        Form form = MakeForm();
        TMainForm& w = *form.Window;
        w.ShowConfiguration();
        Browser(w).SelectedCam()->URL = "http://cams.example/other.jpg";
        Button(w, "CancelBut")->Click();
        QVERIFY(!w.isVisible());
        QCOMPARE(w.ActiveCam()->URL, QByteArray("http://cams.example/harbour.jpg"));
        QCOMPARE(TSettingsKey::Open()->Read(Settings::CamURL), QByteArray("http://cams.example/harbour.jpg"));
    }

    void refreshFieldOnLeaving_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("after");
        QTest::newRow("five stays") << "5"
                                    << "5";
        QTest::newRow("zero") << "0"
                              << "75";
        QTest::newRow("letters") << "soon"
                                 << "75";
        QTest::newRow("empty") << ""
                               << "75";
    }
    void refreshFieldOnLeaving() {
        QFETCH(QString, typed);
        Form form = MakeForm();
        Browser(*form.Window).SelectedCam()->Refresh = 75;
        Find<QLineEdit>(*form.Window, "RefreshEdit")->setText(typed);
        Q_EMIT Find<QLineEdit>(*form.Window, "RefreshEdit")->editingFinished();
        QTEST(Find<QLineEdit>(*form.Window, "RefreshEdit")->text(), "after");
    }

    void menuTogglesSaveAtOnce() {
        StoreCam("http://cams.example/harbour.jpg", 45);
        Form form = MakeForm();
        TMainForm& w = *form.Window;
        QVERIFY(WaitForCatalogue(w));
        QVERIFY(w.Active());
        Entry(w, "Active1")->trigger();
        QVERIFY(!w.Active() && !Entry(w, "Active1")->isChecked());
        QCOMPARE(TSettingsKey::Open()->Read(Settings::Active), false);
        Entry(w, "Showmessages1")->trigger();
        QVERIFY(w.ShowMessages() && Entry(w, "Showmessages1")->isChecked());
        QCOMPARE(TSettingsKey::Open()->Read(Settings::ShowMessages), true);
    }

    void inactiveTickFetchesNothing() {
        StoreCam("http://cams.example/harbour.jpg", 45);
        Form form = MakeForm();
        TMainForm& w = *form.Window;
        QTRY_VERIFY_WITH_TIMEOUT(!w.Cycle().IEGet.Busy() && WaitForCatalogue(w), 30000);
        Entry(w, "Active1")->trigger();
        w.Cycle().IEGet.URL.clear();
        w.Cycle().OnTimer();
        QVERIFY(!w.Cycle().IEGet.Busy());
        QVERIFY(w.Cycle().IEGet.URL.isEmpty());
    }

    void runOnStartupFollowsTheEntry() {
        StoreCam("http://cams.example/harbour.jpg", 45);
        Form form = MakeForm();
        TMainForm& w = *form.Window;
        QVERIFY(!IsRunOnStartup());
        Entry(w, "Runonstartup1")->trigger();
        QVERIFY(IsRunOnStartup() && Entry(w, "Runonstartup1")->isChecked());
        Entry(w, "Runonstartup1")->trigger();
        QVERIFY(!IsRunOnStartup() && !Entry(w, "Runonstartup1")->isChecked());
    }

    void messagesWindowChoiceIsSaved() {
        Form form = MakeForm();
        // A first run shows messages: the reply asks for the server's.
        QVERIFY(WaitForCatalogue(*form.Window) && TopLevel<TMForm>());
        TopLevel<TMForm>()->ShowMessagesChoice = false;
        Q_EMIT TopLevel<TMForm>()->OnShowMessagesChange(TopLevel<TMForm>());
        QVERIFY(!form.Window->ShowMessages() && !Entry(*form.Window, "Showmessages1")->isChecked());
        QCOMPARE(TSettingsKey::Open()->Read(Settings::ShowMessages), false);
    }

    void trayLeftClickOpensTheWindowOnlyWhenConfigureIsEnabled() {
        StoreCam("http://cams.example/harbour.jpg", 45);
        Form form = MakeForm();
        TMainForm& w = *form.Window;
        Q_EMIT w.findChild<QSystemTrayIcon*>()->activated(QSystemTrayIcon::Trigger);
        QVERIFY(!w.isVisible());
        QVERIFY(WaitForCatalogue(w));
        Q_EMIT w.findChild<QSystemTrayIcon*>()->activated(QSystemTrayIcon::Trigger);
        QVERIFY(w.isVisible());
        QVERIFY(!Entry(w, "Configure1")->isEnabled());
        // The tooltip names the active cam.
        QVERIFY(w.findChild<QSystemTrayIcon*>()->toolTip().startsWith(QStringLiteral("Harbour")));
    }

    void noTrayHostOpensTheWindowAfterWaiting() {
        if (QSystemTrayIcon::isSystemTrayAvailable())
            QSKIP("a tray host runs here");
        StoreCam("http://cams.example/harbour.jpg", 45);
        Form form = MakeForm({QStringLiteral("/d1")});
        form.Window->findChild<TTrayIcon*>()->TrayWaitMilliseconds = 600;
        QTRY_VERIFY_WITH_TIMEOUT(form.Window->isVisible(), 10000);
    }

    void menuInTheDesignedOrder() {
        Form form = MakeForm();
        QStringList captions;
        for (const QAction* action : Find<QMenu>(*form.Window, "Popper")->actions())
            captions << (action->isSeparator() ? QStringLiteral("-") : action->text());
        QCOMPARE(captions, (QStringList{"Configure...", "Languages", "-", "Active", "Show messages",
                                        "Run on startup", "-", "Shut down and keep wallpaper", "Shut down"}));
    }

    void longLanguageListsGoIntoSubmenus_data() {
        QTest::addColumn<int>("languages");
        QTest::addColumn<QStringList>("entries");
        QTest::newRow("a short list stays flat") << 3 << QStringList{"L0", "L1", "L2"};
        QTest::newRow("100 languages")
            << 100 << QStringList{"L0 \u2013 L39", "L40 \u2013 L79", "L80 \u2013 L99"};
        QTest::newRow("2,000 languages nest twice")
            << 2000 << QStringList{"L0 \u2013 L1599", "L1600 \u2013 L1999"};
    }
    void longLanguageListsGoIntoSubmenus() {
        QFETCH(int, languages);
        QMenu root;
        TOwnedWindow<TDownloadForm> download([](TDownloadForm&) {});
        const auto current = [] { return 7; };
        TLanguagesMenu menu(&root, current, download, nullptr);
        for (int round = 0; round < 2; ++round) { // rebuilt as at every reply
            auto list = std::make_unique<TLanguageList>();
            for (int i = 0; i < languages; ++i) {
                TWebLanguage& language = list->Add();
                language.refid = i == 0 ? 7 : i + 100;
                language.name = "L" + QByteArray::number(i);
            }
            menu.SetLanguageList(std::move(list));
            menu.BuildLanguagesMenu();
        }
        QStringList entries;
        for (const QAction* action : root.actions())
            entries << action->text();
        QTEST(entries, "entries");
        QAction* first = root.actions().first();
        while (first->menu())
            first = first->menu()->actions().first();
        QVERIFY(first->isChecked());
        QCOMPARE(first->text(), QStringLiteral("L0"));
    }

    void categoriesOpenByMouseAndAreNeverSelected() {
        Form form = BrowserForm(m_catalogue);
        TMainForm& w = *form.Window;
        const QModelIndex sea = NodeNamed(w, QStringLiteral("Sea"));
        QVERIFY(!TreeView(w)->isExpanded(sea));
        ClickNode(w, sea);
        QVERIFY(TreeView(w)->isExpanded(sea));
        QCOMPARE(Tree(w)->ImageIndex(sea), TCamTreeModel::ExpandedImage);
        QCOMPARE(SelectedText(w), QString());
        QVERIFY(!Browser(w).PreviewBusy());
        ClickNode(w, NodeNamed(w, QStringLiteral("Harbour")));
        QVERIFY(Browser(w).PreviewBusy());
        QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
        // While the preview loads the selection stays, and categories do not toggle.
        ClickNode(w, NodeNamed(w, QStringLiteral("Bay")));
        QCOMPARE(SelectedText(w), QStringLiteral("Harbour"));
        ClickNode(w, sea);
        QVERIFY(TreeView(w)->isExpanded(sea));
        QTRY_VERIFY(!Browser(w).PreviewBusy());
        QVERIFY(!QApplication::overrideCursor());
        QCOMPARE(Label(w, "TitleLabel")->text(), QStringLiteral("Harbour"));
        QCOMPARE(Label(w, "DescriptionLabel")->text(), QStringLiteral("Boats"));
        QCOMPARE(Find<QLineEdit>(w, "RefreshEdit")->text(), QStringLiteral("30"));
        QCOMPARE(Browser(w).SelectedCam()->RefID, 21);
        QVERIFY(Button(w, "OKBut")->isEnabled());
        ClickNode(w, sea);
        QVERIFY(!TreeView(w)->isExpanded(sea));
        QCOMPARE(Tree(w)->ImageIndex(sea), TCamTreeModel::CollapsedImage);
        QCOMPARE(SelectedText(w), QStringLiteral("Harbour"));
    }

    void failedPreviewsShowNotAvailable_data() {
        QTest::addColumn<QString>("cam");
        QTest::newRow("PNG picture") << "Light";
        QTest::newRow("not a picture") << "Broken";
    }
    void failedPreviewsShowNotAvailable() {
        QFETCH(QString, cam);
        Form form = BrowserForm(m_catalogue);
        TMainForm& w = *form.Window;
        Browser(w).ShowPreview(Browser(w).CamList()->FindByRefID(21));
        QTRY_VERIFY(!Browser(w).PreviewBusy());
        TreeView(w)->expandAll();
        ClickNode(w, NodeNamed(w, cam));
        QTRY_VERIFY(!Browser(w).PreviewBusy());
        QCOMPARE(Label(w, "TitleLabel")->text(), QStringLiteral("Sorry...not available"));
        QCOMPARE(Label(w, "DescriptionLabel")->text(),
                 cam + QStringLiteral(" is not available at the moment. Please try again later."));
        QCOMPARE(Label(w, "PreviewImage")->pixmap().toImage(),
                 BuiltinPicture(QStringLiteral("mainform/notavailable")).toImage());
        QCOMPARE(Browser(w).SelectedCam()->RefID, 21);
        QVERIFY(!Button(w, "OKBut")->isEnabled() && !Button(w, "Applybut")->isEnabled());
    }

    // Esc leaves the late outcome unheard and puts the selection back on the chosen cam; a new
    // preview asked for during another one wins.
    void escAndANewPreviewStopTheRunningOne() {
        Form form = BrowserForm(m_catalogue);
        TMainForm& w = *form.Window;
        Browser(w).ShowPreview(Browser(w).CamList()->FindByRefID(22));
        QTRY_VERIFY(!Browser(w).PreviewBusy());
        QCOMPARE(SelectedText(w), QStringLiteral("Bay"));
        TreeView(w)->expandAll();
        ClickNode(w, NodeNamed(w, QStringLiteral("Stall")));
        QVERIFY(Browser(w).PreviewBusy());
        QTest::keyClick(&w, Qt::Key_Escape);
        QVERIFY(!Browser(w).PreviewBusy());
        QVERIFY(!QApplication::overrideCursor());
        QCOMPARE(SelectedText(w), QStringLiteral("Bay"));
        QCOMPARE(Browser(w).PreviewCam()->RefID, 26);
        QTRY_COMPARE(THTTPGet::RunningFetchers(), 0);
        QCOMPARE(Label(w, "TitleLabel")->text(), QStringLiteral("Bay"));

        ClickNode(w, NodeNamed(w, QStringLiteral("Stall")));
        QVERIFY(Browser(w).PreviewBusy());
        Browser(w).ShowPreview(Browser(w).CamList()->FindByRefID(21));
        QTRY_VERIFY(!Browser(w).PreviewBusy());
        QCOMPARE(Browser(w).SelectedCam()->RefID, 21);
        QCOMPARE(Label(w, "TitleLabel")->text(), QStringLiteral("Harbour"));
        QCOMPARE(SelectedText(w), QStringLiteral("Harbour"));
    }

    void countryFilterShowsExactMatchesAndKeepsTheChosenCam_data() {
        QTest::addColumn<QString>("country");
        QTest::addColumn<QStringList>("categories");
        QTest::addColumn<QString>("selected");
        QTest::newRow("all") << "All Countries" << QStringList{"City", "Sea"} << "Harbour";
        QTest::newRow("empty entry") << "" << QStringList{"City", "Sea"} << "Harbour";
        QTest::newRow("Norway") << "Norway" << QStringList{"Sea"} << "Harbour";
        QTest::newRow("Chile") << "Chile" << QStringList{"City", "Sea"} << "";
    }
    void countryFilterShowsExactMatchesAndKeepsTheChosenCam() {
        QFETCH(QString, country);
        Form form = BrowserForm(m_catalogue);
        TMainForm& w = *form.Window;
        Browser(w).ShowPreview(Browser(w).CamList()->FindByRefID(21));
        QTRY_VERIFY(!Browser(w).PreviewBusy());
        const int entry = Find<QComboBox>(w, "CountryBox")->findText(country);
        QVERIFY(entry >= 0);
        Find<QComboBox>(w, "CountryBox")->setCurrentIndex(entry);
        Q_EMIT Find<QComboBox>(w, "CountryBox")->activated(entry);
        QStringList categories;
        for (int i = 0; i < Tree(w)->rowCount(); ++i)
            categories << Tree(w)->index(i, 0).data().toString();
        QTEST(categories, "categories");
        QTEST(SelectedText(w), "selected");
        // "norway" is spelled otherwise: its cam is not under the Norway entry.
        if (country == QStringLiteral("Norway"))
            QVERIFY(!NodeNamed(w, QStringLiteral("Tower")).isValid());
    }

    void customCamsAddedEditedAndDeleted() {
        Form form = BrowserForm(m_catalogue);
        TMainForm& w = *form.Window;
        AnswerCamForm({QString(), QStringLiteral("http://cams.example/bay.jpg"), QStringLiteral("Peru"),
                       QStringLiteral("soon")});
        Button(w, "PlusBut")->Click();
        QCOMPARE(TopLevel<TCamForm>()->windowTitle(), TopLevel<TCamForm>()->NewCaptionText);
        const TWebCamPtr added = Browser(w).CamList()->Items(Browser(w).CamList()->Count() - 1);
        QCOMPARE(added->Name, QByteArray("Custom Cam 1"));
        QCOMPARE(added->Refresh, 60);
        QCOMPARE(added->RefID, -1);
        QCOMPARE(added->Category, QByteArray("Custom"));
        QCOMPARE(Browser(w).PreviewCam(), added);
        QTRY_VERIFY(!Browser(w).PreviewBusy());
        QCOMPARE(SelectedText(w), QStringLiteral("Custom Cam 1"));
        QVERIFY(
            CustomCamsFile().contains("name=Custom Cam 1\r\ndescription=\r\nrefresh=60\r\ncategory=Custom"));
        QVERIFY(Button(w, "EditBut")->isEnabled() && Button(w, "MinusBut")->isEnabled());

        // A cancelled dialog changes nothing.
        AnswerCamForm({QStringLiteral("ignored")}, false);
        Button(w, "EditBut")->Click();
        QCOMPARE(added->Name, QByteArray("Custom Cam 1"));
        QCOMPARE(TopLevel<TCamForm>()->windowTitle(), TopLevel<TCamForm>()->EditCaptionText);

        // An address edited while the cam's preview still waits is previewed anew.
        AnswerCamForm({QStringLiteral("Custom Cam 1"), QStringLiteral("http://cams.example/stall.jpg"),
                       QStringLiteral("Peru"), QStringLiteral("60")});
        Button(w, "EditBut")->Click();
        QVERIFY(Browser(w).PreviewBusy());
        AnswerCamForm({QString(), QStringLiteral("http://cams.example/tower.jpg"), QStringLiteral("Peru"),
                       QStringLiteral("-5")});
        Button(w, "EditBut")->Click();
        QCOMPARE(added->Name, QByteArray());
        QCOMPARE(added->Refresh, -5);
        QCOMPARE(SelectedText(w), QString());
        QTRY_VERIFY(!Browser(w).PreviewBusy());
        QCOMPARE(Browser(w).SelectedCam()->URL, QByteArray("http://cams.example/tower.jpg"));
        QVERIFY(CustomCamsFile().contains(
            "url=http://cams.example/tower.jpg\r\nname=\r\ndescription=\r\nrefresh=-5"));

        Button(w, "MinusBut")->Click();
        QCOMPARE(CustomCamsFile(), QByteArray());
        QVERIFY(!Browser(w).CamList()->FindByRefID(-1));
        QVERIFY(!Browser(w).PreviewCam());
        QVERIFY(!Button(w, "EditBut")->isEnabled() && !Button(w, "MinusBut")->isEnabled());
        // The emptied category stays until the tree is filled again.
        const QModelIndex custom = NodeNamed(w, QStringLiteral("Custom"));
        QVERIFY(custom.isValid());
        QCOMPARE(Tree(w)->rowCount(custom), 0);
    }

    void everyControlIsFoundByName() {
        Form form = MakeForm();
        for (const char* name :
             {"OKBut",        "Applybut",     "CancelBut",        "RestoreBut",   "ShutdownBut",
              "CamPageBut",   "HelpBut",      "TellBut",          "KorvexBut",    "PlusBut",
              "MinusBut",     "EditBut",      "CountryLabel",     "CountryBox",   "TreeView",
              "TitleLabel",   "PreviewImage", "DescriptionLabel", "RefreshLabel", "RefreshEdit",
              "StretchLabel", "StretchCheck"}) {
            const QWidget* control = form.Window->findChild<QWidget*>(QLatin1String(name));
            QVERIFY2(control, name);
            QVERIFY2(!control->accessibleName().isEmpty(), name);
        }
        QCOMPARE(form.Window->findChild<QWidget*>(QStringLiteral("PlusBut"))->accessibleName(),
                 QStringLiteral("Add a new custom cam"));
    }

    void rightButtonsMoveWhenTheCatalogueArrives() {
        Form form = MakeForm();
        TMainForm& w = *form.Window;
        QCOMPARE(Button(w, "HelpBut")->pos(), QPoint(475, 268));
        QVERIFY(Button(w, "TellBut")->isHidden());
        QVERIFY(WaitForCatalogue(w));
        QCOMPARE(Button(w, "ShutdownBut")->pos(), QPoint(475, 223));
        QCOMPARE(Button(w, "CamPageBut")->pos(), QPoint(475, 252));
        QCOMPARE(Button(w, "HelpBut")->pos(), QPoint(475, 281));
        QVERIFY(!Button(w, "TellBut")->isHidden());
        for (TImgBtn* button : {Button(w, "OKBut"), Button(w, "KorvexBut"), Button(w, "TellBut")})
            QCOMPARE(button->size(), QSize(114, 26));
        QCOMPARE(Button(w, "PlusBut")->size(), QSize(23, 23));
    }
};

QTEST_MAIN(TestMainForm)
#include "tst_mainform.moc"
