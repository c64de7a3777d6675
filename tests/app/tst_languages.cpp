// Languages in the running windows: the texts and skins a language directory gives every window and
// the tray menu, and a switch through the catalogue that downloads, installs and applies a pack.
#include "TestHttpServer.h"
#include "app/MainFormParts.h"
#include "app/WindowLanguages.h"
#include "core/SettingsKey.h"
#include "core/pack/HandPack.h"
#include "core/pack/PackWriter.h"
#include "core/picture/PictureEncoders.h"
#include "core/picture/TestPictures.h"
#include "i18n/UDownloadForm.h"
#include "outreach/UAttentionForm.h"
#include "platform/ShellOpen.h"
#include "platform/ULMRLib.h"
#include "wallpaper/RecordingDesktop.h"

#include <QTest>

namespace {

const TColour Red{200, 30, 30}, Green{30, 200, 30}, Blue{30, 30, 200}, Yellow{220, 220, 40};

QRgb Pixel(const QPixmap& pixmap) {
    return pixmap.toImage().pixel(2, 2);
}
QRgb Rgb(TColour c) {
    return qRgb(c.Red, c.Green, c.Blue);
}

QString LanguageDir(int language) {
    return LanguageDirectory(DataDirectory(), language);
}

void WriteLanguageFile(int language, const QByteArray& text) {
    QVERIFY(HandPack::WriteFile(LanguageDir(language) + QStringLiteral("/properties.cam"), text));
}

const QByteArray Testish = "object=global\nversion=2\nend\n"
                           "object=mainform\nstretch_hint=Dehnen\ncountry=Land\n"
                           "korvex_url=http://x/?a=b\nend\n"
                           "object=mainmenu\nconfigure=Einstellen...\nshutdown_hint=Beenden\nend\n"
                           "object=attentionform\nnoconnection_message=Keine Verbindung\nend\n"
                           "object=downloadform\ncaption=Lade Sprachpaket\nmessage=Lade\nend\n"
                           "object=camform\nnew_caption=Neue Kamera\ntitle=Titel\nok_hint=Speichern\nend\n";

// The catalogue with one cam and the given language records.
QByteArray Catalogue(const QByteArray& languages) {
    return "object=cam\r\nrefid=12\r\nurl=http://cams.example/pier.jpg\r\nname=Pier\r\n"
           "refresh=90\r\ncategory=Sea\r\ncountry=Norway\r\nend\r\n" +
           languages;
}
QByteArray LanguageRecord(int refid, int version, const QByteArray& pack) {
    return "object=language\r\nrefid=" + QByteArray::number(refid) + "\r\nname=L" +
           QByteArray::number(refid) + "\r\nlanguagepack=http://catalogue.test" + pack +
           "\r\npackversion=" + QByteArray::number(version) + "\r\nend\r\n";
}

// A pack made by the project's writer from a language directory, with a skinned OK button.
QByteArray TestishPack() {
    QTemporaryDir source;
    HandPack::WriteFile(source.filePath(QStringLiteral("properties.cam")), Testish);
    HandPack::WriteFile(source.filePath(QStringLiteral("mainform/ok_1.gif")),
                        EncodeGif(FilledPicture(114, 26, Green)));
    HandPack::WriteFile(source.filePath(QStringLiteral("help/index.html")), HandPack::NoiseBytes(25000, 9));
    return BuildPack(source.path(), {}).ValueOr({});
}

} // namespace

class TestLanguages : public QObject {
    Q_OBJECT
    TestHttpServer m_server;
    std::unique_ptr<TMainForm> m_main;
    // Windows of their own, given a language as the main window gives it to those it made.
    TAttentionForm m_attention;
    TDownloadForm m_download;

    int RequestsFor(const QByteArray& path) const {
        int count = 0;
        for (const TestHttpServer::Request& request : m_server.Requests())
            count += request.Path == path;
        return count;
    }
    TestHttpServer::Request LastCatalogueRequest() const {
        TestHttpServer::Request last;
        for (const TestHttpServer::Request& request : m_server.Requests())
            if (request.Path == "/lmr/camlist3.php")
                last = request;
        return last;
    }
    // The cam dialog the main window makes for its plus button, closed again.
    TCamForm* OpenedCamForm() {
        m_main->show();
        QTimer::singleShot(0, qApp, [] { Shown<TCamForm>()->reject(); });
        m_main->findChild<TImgBtn*>("PlusBut")->Click();
        return TopLevel<TCamForm>();
    }
    // The address the Korvex button opens.
    QUrl KorvexAddress() {
        QUrl opened;
        SetShellOpenHandler([&](const QUrl& url) { return (opened = url).isValid(); });
        Button(*m_main, "KorvexBut")->Click();
        SetShellOpenHandler({});
        return opened;
    }
    bool WaitForReply(int replies) {
        return QTest::qWaitFor(
            [&] { return RequestsFor("/lmr/camlist3.php") >= replies && m_main->isEnabled(); }, 15000);
    }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(m_server.IsListening());
        qputenv("LUMORA_CATALOGUE_HOST", "catalogue.test");
        qputenv("LUMORA_CONNECT_TO", m_server.ConnectToRule("catalogue.test"));
    }

    void init() {
        QFile::remove(TSettingsKey::FilePath());
        QDir(DataDirectory()).removeRecursively();
        m_server.Serve("/lmr/camlist3.php", Catalogue(QByteArray()), "text/plain");
        m_main = std::make_unique<TMainForm>(QStringList(), std::make_unique<RecordingDesktop>());
        QVERIFY(WaitForReply(1));
    }

    void cleanup() { m_main.reset(); }

    void everyWindowAndTheMenuTakeTheirTexts() {
        WriteLanguageFile(5, Testish + "object=mainform\nrefresh=Gr\xfc\xdf"
                                       "e\nend\n");
        TCamForm* cam = OpenedCamForm();
        m_main->ApplyLanguage(5);
        ApplyWindowLanguage(m_attention, 5, ReadLanguageTexts(5));
        ApplyWindowLanguage(m_download, 5, ReadLanguageTexts(5));
        TMainForm& w = *m_main;
        QCOMPARE(Find<QCheckBox>(w, "StretchCheck")->toolTip(), QStringLiteral("Dehnen"));
        QCOMPARE(Label(w, "CountryLabel")->text(), QStringLiteral("Land"));
        QCOMPARE(KorvexAddress(), QUrl("http://x/?a=b"));
        // Bytes that are not UTF-8 are Windows-1252.
        QCOMPARE(Label(w, "RefreshLabel")->text(), QStringLiteral("Grüße"));
        QCOMPARE(Entry(w, "Configure1")->text(), QStringLiteral("Einstellen..."));
        QCOMPARE(Entry(w, "Shutdown1")->toolTip(), QStringLiteral("Beenden"));
        QCOMPARE(m_attention.NoConnectionText, QStringLiteral("Keine Verbindung"));
        QCOMPARE(m_download.windowTitle(), QStringLiteral("Lade Sprachpaket"));
        QCOMPARE(m_download.MessageText, QStringLiteral("Lade"));
        QCOMPARE(cam->NewCaptionText, QStringLiteral("Neue Kamera"));
        QCOMPARE(cam->findChild<QLabel*>("TitleLabel")->text(), QStringLiteral("Titel"));
        QCOMPARE(cam->findChild<QWidget*>("OKBut")->toolTip(), QStringLiteral("Speichern"));

        // A language that lacks a key leaves the previous language's text.
        WriteLanguageFile(6, "object=mainform\ncountry=Pays\nend\n");
        m_main->ApplyLanguage(6);
        QCOMPARE(Label(w, "CountryLabel")->text(), QStringLiteral("Pays"));
        QCOMPARE(Find<QCheckBox>(w, "StretchCheck")->toolTip(), QStringLiteral("Dehnen"));
        QCOMPARE(Entry(w, "Configure1")->text(), QStringLiteral("Einstellen..."));
    }

    void skinsReplaceOnlyThePicturesTheyHold() {
        TMainForm& w = *m_main;
        const QString skin = LanguageDir(5);
        HandPack::WriteFile(skin + "/mainform/background.bmp", EncodeBmp(FilledPicture(597, 398, Red)));
        HandPack::WriteFile(skin + "/mainform/ok_1.gif", EncodeGif(FilledPicture(114, 26, Green)));
        HandPack::WriteFile(skin + "/mainform/help_2.gif", EncodeGif(FilledPicture(35, 26, Blue)));
        HandPack::WriteFile(skin + "/mainform/cancel_1.gif", "GIF89a but not really a picture");
        HandPack::WriteFile(skin + "/attentionform/background_a.bmp",
                            EncodeBmp(FilledPicture(300, 193, Yellow)));
        HandPack::WriteFile(skin + "/downloadform/background.bmp", EncodeBmp(FilledPicture(320, 180, Blue)));
        const QRgb helpBefore = Pixel(Button(w, "HelpBut")->Pic());
        const QRgb cancelBefore = Pixel(Button(w, "CancelBut")->Pic());
        Button(w, "OKBut")->SetEnabled(false);

        m_main->ApplyLanguage(5);
        ApplyWindowLanguage(m_attention, 5, std::nullopt);
        ApplyWindowLanguage(m_download, 5, std::nullopt);
        QCOMPARE(Pixel(Label(w, "MainImage")->pixmap()), Rgb(Red));
        // A disabled button shows its new normal picture until its state is set again.
        QCOMPARE(Pixel(Button(w, "OKBut")->Picture()), Rgb(Green));
        QCOMPARE(Pixel(Button(w, "HelpBut")->PicUp()), Rgb(Blue));
        QCOMPARE(Pixel(Button(w, "HelpBut")->Pic()), helpBefore);
        QCOMPARE(Pixel(Button(w, "CancelBut")->Pic()), cancelBefore);
        QCOMPARE(Pixel(m_attention.AttentionImage->pixmap()), Rgb(Yellow));
        // The download window grows with its background.
        QCOMPARE(m_download.size(), QSize(320, 180));
    }

    // Choosing a language asks for the catalogue in it; the reply brings the pack, which is
    // installed and applied. A later reply with the same version downloads nothing.
    void switchingDownloadsAndAppliesThePack() {
        const QByteArray pack = TestishPack();
        QVERIFY(pack.size() > 20000);
        m_server.Serve("/packs/l5.pak", pack);
        m_server.Serve("/lmr/camlist3.php", Catalogue(LanguageRecord(5, 2, "/packs/l5.pak")), "text/plain");
        const int replies = RequestsFor("/lmr/camlist3.php");

        m_main->SelectLanguage(5);
        QCOMPARE(TSettingsKey::Open()->Read(Settings::Language), 5);
        QVERIFY(WaitForReply(replies + 1));
        QVERIFY(LastCatalogueRequest().Body.startsWith("language=5&"));
        QCOMPARE(Find<QCheckBox>(*m_main, "StretchCheck")->toolTip(), QStringLiteral("Dehnen"));
        QCOMPARE(Pixel(Button(*m_main, "OKBut")->Pic()), Rgb(Green));
        QCOMPARE(RequestsFor("/packs/l5.pak"), 1);
        QVERIFY(!QFile::exists(LanguageDir(5) + "/pack.pak"));
        QVERIFY(Find<QMenu>(*m_main, "LanguagesRoot")->actions().at(0)->isChecked());

        m_main->SelectLanguage(5);
        QVERIFY(WaitForReply(replies + 2));
        QCOMPARE(RequestsFor("/packs/l5.pak"), 1);
    }

    // A language the reply does not list is applied from what is installed, without a download.
    // A window not seen yet holds no pictures; what it is given meanwhile shows when it is first
    // needed: the main window's skin on its first show, a secondary window's skin, texts and the
    // catalogue's countries when it is made.
    void windowsNotSeenYetTakeTheLanguageWhenFirstNeeded() {
        m_main.reset();
        const int replies = RequestsFor("/lmr/camlist3.php");
        std::optional<TSettingsKey> key = TSettingsKey::Open(TSettingsKey::OpenMode::CreateIfMissing);
        QVERIFY(key);
        key->Write(Settings::CamURL, "http://cams.example/pier.jpg");
        QVERIFY(key->Close());
        m_main = std::make_unique<TMainForm>(QStringList(), std::make_unique<RecordingDesktop>());
        QVERIFY(WaitForReply(replies + 1));
        TMainForm& w = *m_main;
        QVERIFY(!w.isVisible());
        QVERIFY(!w.ControlsMade());

        WriteLanguageFile(5, Testish);
        HandPack::WriteFile(LanguageDir(5) + "/mainform/background.bmp",
                            EncodeBmp(FilledPicture(597, 398, Red)));
        HandPack::WriteFile(LanguageDir(5) + "/mainform/ok_1.gif", EncodeGif(FilledPicture(114, 26, Green)));
        HandPack::WriteFile(LanguageDir(5) + "/camform/ok_1.gif", EncodeGif(FilledPicture(75, 25, Blue)));
        w.ApplyLanguage(5);
        // A second language with one text and no pictures keeps everything else of the first.
        WriteLanguageFile(6, "object=mainform\ncountry=Maa\nend\n");
        w.ApplyLanguage(6);
        QVERIFY(!w.ControlsMade());
        TCamForm* made = OpenedCamForm();
        QCOMPARE(KorvexAddress(), QUrl("http://x/?a=b"));
        QCOMPARE(Pixel(Label(w, "MainImage")->pixmap()), Rgb(Red));
        QCOMPARE(Pixel(Button(w, "OKBut")->Pic()), Rgb(Green));
        QVERIFY(!Button(w, "HelpBut")->Pic().isNull());
        QCOMPARE(Label(w, "CountryLabel")->text(), QStringLiteral("Maa"));
        QCOMPARE(Find<QCheckBox>(w, "StretchCheck")->toolTip(), QStringLiteral("Dehnen"));
        QVERIFY(Find<QComboBox>(w, "CountryBox")->findText(QStringLiteral("Norway")) >= 0);
        QVERIFY(Button(w, "TellBut")->isVisibleTo(&w));
        QCOMPARE(made->NewCaptionText, QStringLiteral("Neue Kamera"));
        QCOMPARE(Pixel(made->findChild<TImgBtn*>("OKBut")->Pic()), Rgb(Blue));
        QVERIFY(made->CountryEdit->findText(QStringLiteral("Norway")) >= 0);
        QCOMPARE(OpenedCamForm(), made);
    }

    void languageMissingFromTheReplyIsAppliedFromDisk() {
        WriteLanguageFile(8, "object=mainform\ncountry=Maa\nend\n");
        const int replies = RequestsFor("/lmr/camlist3.php");
        // Nothing but the catalogue and the message that each reply asks for.
        const auto others = [&] { return m_server.RequestCount() - RequestsFor("/lmr/cam_message.php"); };
        const int before = others() - replies;
        m_main->SelectLanguage(8);
        QVERIFY(WaitForReply(replies + 1));
        QCOMPARE(Label(*m_main, "CountryLabel")->text(), QStringLiteral("Maa"));
        QCOMPARE(others() - RequestsFor("/lmr/camlist3.php"), before);
    }

    // A pack whose member climbs out of its directory writes nothing, and the reply still fills the
    // window.
    void hostilePackWritesNothingAndTheWindowStillFills() {
        HandPack::Builder builder;
        builder.Add("properties.cam", "", Testish, false);
        builder.Add("evil.txt", "..\\..\\", HandPack::NoiseBytes(30000, 5), true);
        m_server.Serve("/packs/l7.pak", builder.Finish(false));
        m_server.Serve("/lmr/camlist3.php", Catalogue(LanguageRecord(7, 1, "/packs/l7.pak")), "text/plain");
        const int replies = RequestsFor("/lmr/camlist3.php");

        m_main->SelectLanguage(7);
        QVERIFY(WaitForReply(replies + 1));
        QCOMPARE(RequestsFor("/packs/l7.pak"), 1);
        // Only the note of the refused version.
        QCOMPARE(QDir(LanguageDir(7)).entryList(QDir::Files | QDir::NoDotAndDotDot),
                 QStringList{"pack.refused"});
        QVERIFY(!QFile::exists(DataDirectory() + "/evil.txt"));
        QVERIFY(!QFile::exists(QDir(DataDirectory()).filePath("../evil.txt")));
        QCOMPARE(Tree(*m_main)->rowCount(), 1);
        QVERIFY(m_main->isEnabled());

        // The same version is not fetched again at the next reply; the server's next one is.
        m_main->SelectLanguage(7);
        QVERIFY(WaitForReply(replies + 2));
        QCOMPARE(RequestsFor("/packs/l7.pak"), 1);
        m_server.Serve("/lmr/camlist3.php", Catalogue(LanguageRecord(7, 2, "/packs/l7.pak")), "text/plain");
        m_main->SelectLanguage(7);
        QVERIFY(WaitForReply(replies + 3));
        QCOMPARE(RequestsFor("/packs/l7.pak"), 2);
    }
};

QTEST_MAIN(TestLanguages)
#include "tst_languages.moc"
