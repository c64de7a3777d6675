// A seeded random walk of user actions on the configuration window, against the demo catalogue of a
// real lumora-server and a picture server with awkward cams: pictures of every format that fill the
// preview box exactly or by a multiple, a slow cam and one that never ends. The walk clicks and keys
// through the tree, adds, edits and deletes custom cams with odd fields, presses the buttons, types
// refresh values, filters by country, switches languages, toggles the menu and takes the catalogue
// server away and back. After every step the program must live, the preview must name the chosen cam,
// the settings and the custom cams must read back, and a quiet program must leave no stray files.
//
// LUMORA_SOAK_STEPS (default 300) and LUMORA_SOAK_SEED (default 1) choose the walk. The seed is
// printed first, and a failure prints the step and the last actions, so that the walk can be replayed.
#include "TestHttpServer.h"
#include "app/MainFormParts.h"
#include "core/CatalogueRequest.h"
#include "core/DisplayText.h"
#include "core/SettingsKey.h"
#include "core/picture/PictureEncoders.h"
#include "core/picture/TestPictures.h"
#include "i18n/UDownloadForm.h"
#include "net/HTTPGet.h"
#include "outreach/UAttentionForm.h"
#include "platform/ULMRLib.h"
#include "server/ServerHarness.h"
#include "wallpaper/RecordingDesktop.h"
#include "widgets/BuiltinPictures.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QDirIterator>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSystemTrayIcon>
#include <QTest>
#include <QTimer>

namespace {

// Cams of the picture server: sizes are multiples of the preview box, known only once the window has
// its controls, so the pictures are served then. Their category sorts after the demo's first, so the
// first run's own preview is a demo cam's.
struct AwkwardCam {
    const char* Path;
    const char* Name;
    const char* Country;
    int Multiple; // of the preview box; 0 for the slow and the endless cam
};
const AwkwardCam AwkwardCams[] = {
    {"/box/exact.bmp", "Box BMP x1", "Testland", 1}, {"/box/exact.gif", "Box GIF x1", "Norway", 1},
    {"/box/exact.jpg", "Box JPEG x1", "Ísland", 1},  {"/box/double.jpg", "Box JPEG x2", "Testland", 2},
    {"/box/double.bmp", "Box BMP x2", "Ísland", 2},  {"/box/quad.gif", "Box GIF x4", "Norway", 4},
    {"/box/quad.jpg", "Box JPEG x4", "Testland", 4}, {"/slow.jpg", "Slow JPEG", "Testland", 0},
    {"/endless.jpg", "Endless JPEG", "Testland", 0},
};
const QByteArray PictureHost = "cams.example";
const QByteArray EndlessUrl = "http://cams.example/endless.jpg";

QByteArray AwkwardUrl(const AwkwardCam& cam) {
    return "http://" + PictureHost + cam.Path;
}

QByteArray AwkwardCatalogue() {
    QByteArray records;
    for (const AwkwardCam& cam : AwkwardCams)
        records += "object=cam\nurl=" + AwkwardUrl(cam) + "\nname=" + cam.Name +
                   "\nrefresh=30\ncategory=Test Pictures\ncountry=" + cam.Country + "\nend\n";
    return records;
}

QByteArray PictureOfFormat(const QByteArray& path, const TPicture& picture) {
    if (path.endsWith(".gif"))
        return EncodeGif(picture);
    if (path.endsWith(".bmp"))
        return EncodeBmp(picture);
    return EncodeJpeg(picture);
}

// Field contents a user may type or paste into the cam dialog.
const QStringList OddTexts = {
    QString(),
    QString(4000, QLatin1Char('W')),
    QStringLiteral("Kamera Ålesund – 東京 🌅"),
    QStringLiteral("a=b=c"),
    QStringLiteral("line one\nline two"),
    QStringLiteral("refid=99\nname=Injected\nend"),
    QStringLiteral("  spaced  "),
};
const QStringList OddUrls = {
    QString(),
    QStringLiteral("not a url"),
    QStringLiteral("http://cams.example/missing.jpg"),
    QStringLiteral("http://cams.example/a=b.jpg"),
    QStringLiteral("http://cams.example/") + QString(3000, QLatin1Char('x')) + QStringLiteral(".jpg"),
    QStringLiteral("http://cams.example/ünïcode.gif"),
    QStringLiteral("http://cams.example/box/double.jpg\nhttp://cams.example/box/quad.gif"),
    QStringLiteral("http://cams.example/box/double.jpg"),
    QStringLiteral("http://cams.example/box/exact.bmp"),
    QStringLiteral("http://localhost/demo/traffic-berlin.gif"),
    QString::fromLatin1(EndlessUrl),
};
// Refresh values as typed: empty, zero, negative, letters, too large, Arabic-Indic digits, blanks.
const QStringList OddRefreshes =
    QStringLiteral(",0,-5,abc,99999999999,1,45,\u0663, 7 ").split(QLatin1Char(','));

void Click(QWidget* control) {
    QTest::mouseClick(control, Qt::LeftButton, {}, control->rect().center());
}

// Replaces a field's text the way a user pastes it: select everything, paste.
void PasteInto(QLineEdit* field, const QString& text) {
    QGuiApplication::clipboard()->setText(text);
    QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
    if (text.isEmpty())
        QTest::keyClick(field, Qt::Key_Delete);
    else
        QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
}

bool IsErrorPicture(const TMainForm& w) {
    return Label(w, "PreviewImage")->pixmap().toImage() ==
           BuiltinPicture(QStringLiteral("mainform/notavailable")).toImage();
}

// The browser's preview fetcher: the newest, as one that gives way is let go later.
const THTTPGet* PGet(const TMainForm& w) {
    return Browser(w).findChildren<THTTPGet*>().constLast();
}

QList<TWebCamPtr> CustomCams(const TCamList& list) {
    QList<TWebCamPtr> cams;
    for (qsizetype i = 0; i < list.Count(); ++i)
        if (list.Items(i)->IsCustom())
            cams << list.Items(i);
    return cams;
}

QString CamText(const TWebCam& cam) {
    return QStringLiteral("[%1|%2|%3|%4|%5|%6]")
        .arg(DisplayText(cam.URL), DisplayText(cam.Name), DisplayText(cam.Description),
             DisplayText(cam.Country))
        .arg(cam.Refresh)
        .arg(cam.RefID);
}

} // namespace

class TestSoak : public QObject {
    Q_OBJECT
    TestHttpServer m_pictures;
    TRunningServer m_server;
    QString m_database;
    quint16 m_port = 0;
    bool m_serverUp = false;
    // The catalogue server went away or came back during the step: its previews may have failed.
    bool m_serverChanged = false;

    std::unique_ptr<TMainForm> m_main;
    QTimer m_dialogWatch;
    // How the next cam dialog is answered: title, address, country, refresh; none cancels it.
    std::optional<QStringList> m_camAnswer;
    bool m_cancelPack = false;
    bool m_answering = false;

    QRandomGenerator m_random;
    quint32 m_seed = 1;
    int m_step = 0;
    QStringList m_actions;

    int Pick(int count) { return int(m_random.bounded(quint32(count))); }
    template <class T> const T& PickOf(const QList<T>& list) { return list.at(Pick(int(list.size()))); }

    bool BringServerBack() {
        m_serverChanged = true;
        m_serverUp = m_server.Start(m_database, {QStringLiteral("--no-access-log")}, m_port);
        return m_serverUp;
    }

    void NoteStep(const QString& action) {
        m_actions << QStringLiteral("%1: %2").arg(m_step).arg(action);
        if (m_actions.size() > 12)
            m_actions.removeFirst();
    }

    QString Replay(const QString& failure) const {
        return QStringLiteral("%1\nseed %2, step %3 (replay: LUMORA_SOAK_SEED=%2 LUMORA_SOAK_STEPS=%4); "
                              "last actions:\n  %5")
            .arg(failure)
            .arg(m_seed)
            .arg(m_step)
            .arg(m_step + 1)
            .arg(m_actions.join(QStringLiteral("\n  ")).left(6000));
    }

    // Answers whichever modal window is open, as the user would, from the loop that window runs.
    void AnswerDialogs() {
        if (m_answering)
            return;
        m_answering = true;
        if (TCamForm* camForm = Shown<TCamForm>()) {
            if (m_camAnswer) {
                const QStringList fields = *std::exchange(m_camAnswer, std::nullopt);
                PasteInto(camForm->findChild<QLineEdit*>(QStringLiteral("TitleEdit")), fields.at(0));
                PasteInto(camForm->findChild<QLineEdit*>(QStringLiteral("URLEdit")), fields.at(1));
                PasteInto(camForm->findChild<QComboBox*>(QStringLiteral("CountryEdit"))->lineEdit(),
                          fields.at(2));
                PasteInto(camForm->findChild<QLineEdit*>(QStringLiteral("RefreshEdit")), fields.at(3));
                Click(camForm->findChild<TImgBtn*>(QStringLiteral("OKBut")));
            } else {
                Click(camForm->findChild<TImgBtn*>(QStringLiteral("CancelBut")));
            }
        } else if (TAttentionForm* notice = Shown<TAttentionForm>()) {
            // The only notice here is "no connection": the server comes back and the user retries.
            if (m_serverUp || BringServerBack())
                Click(notice->RetryBut);
        } else if (TDownloadForm* download = Shown<TDownloadForm>(); download && m_cancelPack) {
            m_cancelPack = false;
            Click(download->findChild<TImgBtn*>(QStringLiteral("CancelBut")));
        }
        m_answering = false;
    }

    QList<QModelIndex> VisibleNodes() const {
        QList<QModelIndex> nodes;
        const TCamTreeModel& tree = *Tree(*m_main);
        for (int i = 0; i < tree.rowCount(); ++i) {
            const QModelIndex category = tree.index(i, 0);
            nodes << category;
            if (TreeView(*m_main)->isExpanded(category))
                for (int j = 0; j < tree.rowCount(category); ++j)
                    nodes << tree.index(j, 0, category);
        }
        return nodes;
    }

    void ClickNode(const QModelIndex& node) {
        TreeView(*m_main)->scrollTo(node);
        QTest::mouseClick(TreeView(*m_main)->viewport(), Qt::LeftButton, {},
                          TreeView(*m_main)->visualRect(node).center());
    }

    void PreviewAwkwardCam(const AwkwardCam& cam) {
        const QModelIndex node =
            Tree(*m_main)
                ->match(Tree(*m_main)->index(0, 0), Qt::DisplayRole, QString::fromLatin1(cam.Name), 1,
                        Qt::MatchExactly | Qt::MatchRecursive)
                .value(0);
        if (!node.isValid())
            return; // filtered out by the country box
        if (!TreeView(*m_main)->isExpanded(node.parent()))
            ClickNode(node.parent());
        ClickNode(node);
    }

    void TypeRefresh(const QString& text, Qt::Key leaveWith) {
        Find<QLineEdit>(*m_main, "RefreshEdit")->setFocus();
        PasteInto(Find<QLineEdit>(*m_main, "RefreshEdit"), text);
        QTest::keyClick(Find<QLineEdit>(*m_main, "RefreshEdit"), leaveWith);
    }

    // One random user action: its description for the log, and the action.
    std::pair<QString, std::function<void()>> ChooseAction() {
        TMainForm& w = *m_main;
        if (!w.isVisible())
            return {QStringLiteral("Configure"), [&w] { Entry(w, "Configure1")->trigger(); }};
        switch (Pick(22)) {
        case 0:
        case 1:
        case 2:
        case 3: {
            const QList<QModelIndex> nodes = VisibleNodes();
            if (nodes.isEmpty())
                return {QStringLiteral("no tree nodes"), [] {}};
            const QModelIndex node = PickOf(nodes);
            return {QStringLiteral("click %1").arg(node.data().toString()),
                    [this, node] { ClickNode(node); }};
        }
        case 4:
        case 5: {
            const QList<Qt::Key> keys = {Qt::Key_Down, Qt::Key_Up,  Qt::Key_Right,    Qt::Key_Left,
                                         Qt::Key_Home, Qt::Key_End, Qt::Key_PageDown, Qt::Key_Space};
            const Qt::Key key = PickOf(keys);
            return {QStringLiteral("tree key %1").arg(QKeySequence(key).toString()),
                    [&w, key] { QTest::keyClick(TreeView(w), key); }};
        }
        case 6:
        case 7: {
            const AwkwardCam& cam = AwkwardCams[Pick(int(std::size(AwkwardCams)))];
            return {QStringLiteral("preview %1").arg(cam.Name), [this, &cam] { PreviewAwkwardCam(cam); }};
        }
        case 8:
            return {QStringLiteral("Esc"), [&w] { QTest::keyClick(&w, Qt::Key_Escape); }};
        case 9:
        case 10: {
            const bool edit = Pick(2) == 1;
            const QStringList fields = {PickOf(OddTexts), PickOf(OddUrls), PickOf(OddTexts),
                                        PickOf(OddRefreshes)};
            const bool cancel = Pick(5) == 0;
            return {QStringLiteral("%1 cam %2")
                        .arg(edit ? QStringLiteral("edit") : QStringLiteral("plus"),
                             cancel ? QStringLiteral("cancelled") : fields.join(QLatin1Char('|')).left(200)),
                    [this, &w, fields, cancel, edit] {
                        m_camAnswer = cancel ? std::nullopt : std::optional(fields);
                        Click(edit ? Button(w, "EditBut") : Button(w, "PlusBut"));
                        m_camAnswer.reset();
                    }};
        }
        case 11:
            return {QStringLiteral("minus"), [&w] { Click(Button(w, "MinusBut")); }};
        case 12: {
            const int button = Pick(4);
            TImgBtn* const buttons[] = {Button(w, "OKBut"), Button(w, "Applybut"), Button(w, "CancelBut"),
                                        Button(w, "RestoreBut")};
            TImgBtn* chosen = buttons[button];
            return {QStringLiteral("button %1").arg(chosen->objectName()), [chosen] { Click(chosen); }};
        }
        case 13:
        case 14: {
            const QString text = PickOf(OddRefreshes);
            const Qt::Key leave = Pick(2) ? Qt::Key_Return : Qt::Key_Tab;
            return {QStringLiteral("refresh '%1' %2").arg(text, QKeySequence(leave).toString()),
                    [this, text, leave] { TypeRefresh(text, leave); }};
        }
        case 15:
        case 16: {
            const QList<Qt::Key> keys = {Qt::Key_Down, Qt::Key_Up, Qt::Key_Home, Qt::Key_End};
            const Qt::Key key = PickOf(keys);
            return {QStringLiteral("country key %1").arg(QKeySequence(key).toString()),
                    [&w, key] { QTest::keyClick(Find<QComboBox>(w, "CountryBox"), key); }};
        }
        case 17: {
            const QList<QAction*> languages = Find<QMenu>(w, "LanguagesRoot")->actions();
            if (languages.isEmpty())
                return {QStringLiteral("no languages"), [] {}};
            QAction* language = PickOf(languages);
            const bool cancelPack = Pick(3) == 0;
            return {QStringLiteral("language %1%2")
                        .arg(language->text(), cancelPack ? QStringLiteral(" (pack cancelled)") : QString()),
                    [this, language, cancelPack] {
                        m_cancelPack = cancelPack;
                        language->trigger();
                    }};
        }
        case 18:
            return {QStringLiteral("toggle Active"), [&w] { Entry(w, "Active1")->trigger(); }};
        case 19:
            return {QStringLiteral("toggle Show messages"), [&w] { Entry(w, "Showmessages1")->trigger(); }};
        case 20:
            return {QStringLiteral("toggle Stretch"), [&w] { Click(Find<QCheckBox>(w, "StretchCheck")); }};
        default:
            if (m_serverUp)
                return {QStringLiteral("server goes away"), [this] {
                            m_serverChanged = true;
                            m_serverUp = false;
                            m_server.Stop();
                        }};
            return {QStringLiteral("server comes back"), [this] { BringServerBack(); }};
        }
    }

    // Waits until the step's consequences have settled: the catalogue reply handled and every preview
    // ended, except the endless cam's, which the user may leave running.
    QString Settle() {
        TMainForm& w = *m_main;
        const auto settled = [&] {
            return w.isEnabled() && !Shown<TCamForm>() && !Shown<TAttentionForm>() &&
                   !Shown<TDownloadForm>() &&
                   (!Browser(w).PreviewBusy() ||
                    (Browser(w).PreviewCam() && Browser(w).PreviewCam()->URL == EndlessUrl));
        };
        if (!QTest::qWaitFor(settled, 60000))
            return QStringLiteral("the program did not settle: enabled %1, preview busy %2 (%3)")
                .arg(int(w.isEnabled()))
                .arg(int(Browser(w).PreviewBusy()))
                .arg(Browser(w).PreviewCam() ? DisplayText(Browser(w).PreviewCam()->URL) : QString());
        return {};
    }

    // A healthy cam's preview that ran to its end must show that cam.
    bool Healthy(const QByteArray& url) const {
        for (const AwkwardCam& cam : AwkwardCams)
            if (url == AwkwardUrl(cam))
                return cam.Multiple > 0 || QByteArray(cam.Path) == "/slow.jpg";
        // A demo picture is healthy only while the server stays up for the whole step: a preview's
        // transfer starts and ends within the step that asked for it.
        const bool demoPicture = url.startsWith("http://localhost/demo/") && !url.endsWith(".png");
        return demoPicture && m_serverUp && !m_serverChanged;
    }

    // What the preview shows and which transfer it waits for; a step that leaves it unchanged brought
    // no preview outcome of its own.
    QString PreviewState() const {
        const TMainForm& w = *m_main;
        return QStringLiteral("%1 %2 %3 %4 %5")
            .arg(quintptr(Browser(w).PreviewCam().get()))
            .arg(quintptr(PGet(w)))
            .arg(Label(w, "PreviewImage") ? Label(w, "PreviewImage")->pixmap().cacheKey() : 0)
            .arg(int(Browser(w).PreviewBusy()))
            .arg(Label(w, "TitleLabel") ? Label(w, "TitleLabel")->text() : QString());
    }

    QString CheckPreview(bool outcomeOfThisStep) const {
        const TMainForm& w = *m_main;
        if (!w.findChild<QSystemTrayIcon*>())
            return QStringLiteral("the program has shut down");
        if (Browser(w).PreviewBusy())
            return {};
        const bool loaded = !Label(w, "PreviewImage")->pixmap().isNull() && !IsErrorPicture(w);
        if (loaded && Label(w, "TitleLabel")->text() != DisplayText(Browser(w).SelectedCam()->Name))
            return QStringLiteral("the preview's title '%1' does not name the selected cam %2")
                .arg(Label(w, "TitleLabel")->text(), CamText(*Browser(w).SelectedCam()));
        if (outcomeOfThisStep && !Browser(w).PreviewCancelled() && Browser(w).PreviewCam() &&
            !PGet(w)->Busy() && Healthy(Browser(w).PreviewCam()->URL) &&
            (!loaded || Browser(w).SelectedCam()->URL != Browser(w).PreviewCam()->URL))
            return QStringLiteral("the healthy cam %1 was not previewed: title '%2', selected %3")
                .arg(CamText(*Browser(w).PreviewCam()), Label(w, "TitleLabel")->text(),
                     CamText(*Browser(w).SelectedCam()));
        return {};
    }

    QString CheckSettings() const {
        const TMainForm& w = *m_main;
        const std::optional<TSettingsKey> key = TSettingsKey::Open();
        if (!key)
            return QStringLiteral("the settings cannot be opened");
        for (const auto& [name, value] :
             {std::pair{"Active", w.Active()}, std::pair{"ShowMessages", w.ShowMessages()}}) {
            const std::optional<bool> stored = key->ReadBool(QLatin1String(name));
            if (stored && *stored != value)
                return QStringLiteral("the settings say %1=%2, the program %3")
                    .arg(QLatin1String(name))
                    .arg(int(*stored))
                    .arg(int(value));
        }
        if (!key->ValueExists(Settings::CamURL.Key()))
            return {};
        TWebCam stored;
        stored.LoadFromRegistry();
        const TWebCam& active = *w.ActiveCam();
        if (stored.URL != active.URL || stored.Name != active.Name || stored.RefID != active.RefID ||
            stored.Refresh != active.Refresh || stored.Description != active.Description ||
            stored.Country != active.Country)
            return QStringLiteral("the settings read back %1, the active cam is %2")
                .arg(CamText(stored), CamText(active));
        return {};
    }

    QString CheckCustomCams() const {
        if (!Browser(*m_main).CamList())
            return {};
        TCamList stored;
        const QString failure = LoadCustomCamsFile(stored, TCamBrowser::CustomCamsPath());
        if (!failure.isEmpty())
            return QStringLiteral("Custom.Cams does not read back: %1").arg(failure);
        QStringList inProgram, inFile;
        for (const TWebCamPtr& cam : CustomCams(*Browser(*m_main).CamList()))
            inProgram << CamText(*cam).section('|', 0, 4);
        for (const TWebCamPtr& cam : CustomCams(stored))
            inFile << CamText(*cam).section('|', 0, 4);
        if (inProgram != inFile)
            return QStringLiteral("Custom.Cams reads back\n    %1\n  the program holds\n    %2")
                .arg(inFile.join(QStringLiteral("\n    ")), inProgram.join(QStringLiteral("\n    ")));
        return {};
    }

    // Once no transfer runs, only the program's own files are left: the designed picture files, the
    // custom cams and the language folders.
    static QString CheckNoStrayFiles() {
        if (THTTPGet::RunningFetchers() != 0)
            return {};
        // The completions of transfers that just ended are queued: they clear their part files.
        QCoreApplication::sendPostedEvents();
        if (THTTPGet::RunningFetchers() != 0)
            return {};
        static const QRegularExpression own(
            QStringLiteral("^(P?TMP(\\.\\w+)?|Pic[01]\\.bmp|Custom\\.Cams)$|/lang\\d+/(?!pack\\.pak$)"));
        QStringList stray;
        for (const QString& folder : {DataDirectory(), CacheDirectory()}) {
            QDirIterator files(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
            while (files.hasNext()) {
                const QString relative = QDir(folder).relativeFilePath(files.next());
                if (!own.match(relative).hasMatch() && !own.match(QLatin1Char('/') + relative).hasMatch())
                    stray << relative;
            }
        }
        return stray.isEmpty() ? QString()
                               : QStringLiteral("stray files: %1").arg(stray.join(QStringLiteral(", ")));
    }

private Q_SLOTS:
    void initTestCase() {
        m_seed = quint32(qEnvironmentVariableIntValue("LUMORA_SOAK_SEED"));
        if (!qEnvironmentVariableIsSet("LUMORA_SOAK_SEED"))
            m_seed = 1;
        m_random.seed(m_seed);

        QVERIFY(m_pictures.IsListening());
        m_database = QDir::home().filePath(QStringLiteral("soak.db"));
        const QString records = WriteScratchFile(QStringLiteral("awkward.cams"), AwkwardCatalogue());
        const TCommandResult imported =
            RunServerCommand({QStringLiteral("import-cams"), records, QStringLiteral("--db"), m_database});
        QVERIFY2(imported.ExitCode == 0, imported.Err.constData());
        QVERIFY(m_server.Start(m_database, {QStringLiteral("--demo"), QStringLiteral("--no-access-log")}));
        m_port = m_server.Port();
        m_serverUp = true;
        qputenv("LUMORA_CATALOGUE_HOST", "localhost");
        qputenv("LUMORA_CONNECT_TO", "localhost:80:127.0.0.1:" + QByteArray::number(m_port) + "," +
                                         m_pictures.ConnectToRule(PictureHost));

        connect(&m_dialogWatch, &QTimer::timeout, this, &TestSoak::AnswerDialogs);
        m_dialogWatch.start(10);

        m_main = std::make_unique<TMainForm>(QStringList(), std::make_unique<RecordingDesktop>());
        TMainForm& w = *m_main;
        QVERIFY(QTest::qWaitFor([&] { return w.CatalogueArrived() && w.isEnabled(); }, 30000));
        QVERIFY(w.isVisible()); // a first run opens the window

        const QSize box = Label(w, "PreviewImage")->size();
        for (const AwkwardCam& cam : AwkwardCams) {
            if (cam.Multiple > 0)
                m_pictures.Serve(cam.Path,
                                 PictureOfFormat(cam.Path, GradientPicture(box.width() * cam.Multiple,
                                                                           box.height() * cam.Multiple)));
        }
        TestHttpServer::Reply slow;
        slow.Body = EncodeJpeg(GradientPicture(box.width(), box.height() + 1));
        slow.Behaviour = TestHttpServer::Misbehaviour::Trickle;
        slow.TrickleBytes = slow.Body.size() / 8 + 1;
        slow.TrickleDelay = std::chrono::milliseconds(40);
        m_pictures.Serve("/slow.jpg", slow);
        TestHttpServer::Reply endless;
        endless.Body = EncodeJpeg(GradientPicture(64, 48));
        endless.Behaviour = TestHttpServer::Misbehaviour::StallMidBody;
        endless.StallAfter = 100;
        m_pictures.Serve("/endless.jpg", endless);
    }

    void cleanupTestCase() {
        m_dialogWatch.stop();
        m_main.reset();
        QTRY_COMPARE_WITH_TIMEOUT(THTTPGet::RunningFetchers(), 0, 30000);
        if (m_serverUp)
            m_server.Stop();
    }

    void randomWalkOfUserActions() {
        const int steps = qEnvironmentVariableIsSet("LUMORA_SOAK_STEPS")
                              ? qEnvironmentVariableIntValue("LUMORA_SOAK_STEPS")
                              : 300;
        qInfo("soak walk: seed %u, %d steps", m_seed, steps);
        for (m_step = 0; m_step < steps; ++m_step) {
            m_serverChanged = false;
            auto [action, run] = ChooseAction();
            NoteStep(action);
            const QString previewBefore = PreviewState();
            run();
            QString failure = Settle();
            if (failure.isEmpty())
                failure = CheckPreview(PreviewState() != previewBefore);
            for (const auto& check : {&TestSoak::CheckSettings, &TestSoak::CheckCustomCams})
                if (failure.isEmpty())
                    failure = (this->*check)();
            // A wallpaper being written on the desktop's thread has its temporary file: stray is what
            // stays once the desktop's jobs are done.
            m_main->Cycle().Desktop.WaitForJobs();
            if (failure.isEmpty())
                failure = CheckNoStrayFiles();
            if (!failure.isEmpty())
                QFAIL(qPrintable(Replay(failure)));
        }
    }
};

QTEST_MAIN(TestSoak)
#include "tst_soak.moc"
