// The messages window as the user meets it, with the plain browser standing in for the engine: the
// request for the current message, which replies show a page, the two check boxes with OK, the close
// box, help, and a further reply while the window is open. A real HTTP server on 127.0.0.1 answers
// both the message script and the pages.
#include "TestHttpServer.h"
#include "net/HTTPGet.h"
#include "outreach/EmbeddedWB.h"
#include "outreach/PlainBrowser.h"
#include "outreach/UMForm.h"
#include "platform/ShellOpen.h"
#include "platform/ULMRLib.h"
#include "widgets/ImgBtn.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>
#include <QTextBrowser>

namespace {

QByteArray MessageReply(int refid, const QByteArray& path) {
    return "object=message\r\nrefid=" + QByteArray::number(refid) + "\r\nurl=http://msg.test" + path +
           "\r\nend\r\n";
}

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<none>");
}

} // namespace

class TestMForm : public QObject {
    Q_OBJECT
    TestHttpServer m_server;
    QList<QUrl> m_opened;
    std::unique_ptr<TMForm> m_form;

    // Sends a request and waits until its reply has been handled.
    void Ask(int language = 0) {
        const int before = m_server.Requests().size();
        m_form->RequestMessage(language);
        QTRY_VERIFY(m_server.Requests().size() > before && !m_form->MGet->Busy());
    }
    QString PageText() const {
        TPlainBrowser* plain = m_form->Web->PlainBrowser();
        return plain ? plain->Page->toPlainText() : QString();
    }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(m_server.IsListening());
        qputenv("LUMORA_CATALOGUE_HOST", "msg.test");
        qputenv("LUMORA_CONNECT_TO", m_server.ConnectToRule("msg.test"));
        m_server.Serve("/news/1.html", "<html><body><h1>Spring cams</h1></body></html>", "text/html");
        m_server.Serve("/news/2.html", "<html><body><p>Caf\xc3\xa9 of the week</p></body></html>",
                       "text/html");
        // No engine here: every page goes to the plain browser.
        TEmbeddedWB::SetModuleSearchPath(QStringList());
        SetShellOpenHandler([this](const QUrl& url) {
            m_opened << url;
            return true;
        });
        ForceDirectories(DataDirectory());
    }

    void init() {
        QFile::remove(TMForm::SuppressedMessagesPath());
        m_opened.clear();
        m_form = std::make_unique<TMForm>();
    }

    void requestsWithLanguageAndVersion() {
        m_server.Serve("/lmr/cam_message.php", "", "text/plain");
        Ask(3);
        const TestHttpServer::Request request = m_server.Requests().last();
        QCOMPARE(request.Method, QByteArray("POST"));
        QCOMPARE(request.Path, QByteArray("/lmr/cam_message.php"));
        QCOMPARE(request.Body, "language=3&version=" + ProgramVersionText().toLatin1());
        QCOMPARE(request.Header("User-Agent"), QByteArray("LMR"));
        QVERIFY(!m_form->isVisible());
    }

    void namedMessageShowsItsPageInThePlainBrowser() {
        m_server.Serve("/lmr/cam_message.php", MessageReply(1, "/news/1.html"), "text/plain");
        Ask();
        QVERIFY(m_form->isVisible());
        QTRY_COMPARE(PageText(), QStringLiteral("Spring cams"));
        QVERIFY(!m_form->Web->EngineView());
        // The page's own request carries the token as well.
        QCOMPARE(m_server.Requests().last().Path, QByteArray("/news/1.html"));
        QCOMPARE(m_server.Requests().last().Header("User-Agent"), QByteArray("LMR"));

        // Its link opens the page in the user's browser.
        Q_EMIT m_form->Web->PlainBrowser()->OpenLink->linkActivated(QStringLiteral("#"));
        QCOMPARE(m_opened, QList<QUrl>{QUrl(QStringLiteral("http://msg.test/news/1.html"))});
    }

    void repliesThatShowNothing_data() {
        QTest::addColumn<QByteArray>("reply");
        QTest::newRow("refid 0") << MessageReply(0, "/news/1.html");
        QTest::newRow("refid not a number")
            << QByteArray("object=message\r\nrefid=one\r\nurl=http://msg.test/a\r\nend\r\n");
        QTest::newRow("record not closed")
            << QByteArray("object=message\r\nrefid=4\r\nurl=http://msg.test/a\r\n");
    }
    void repliesThatShowNothing() {
        QFETCH(QByteArray, reply);
        m_server.Serve("/lmr/cam_message.php", reply, "text/plain");
        Ask();
        QVERIFY(!m_form->isVisible());
        QVERIFY(!m_form->Web->PlainBrowser() && !m_form->Web->EngineView());
    }

    void suppressedRefidIsNotShownUntilTheFileIsGone() {
        QFile file(TMForm::SuppressedMessagesPath());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("9\r\n1\r\n");
        file.close();
        m_server.Serve("/lmr/cam_message.php", MessageReply(1, "/news/1.html"), "text/plain");
        Ask();
        QVERIFY(!m_form->isVisible());
        QVERIFY(QFile::remove(TMForm::SuppressedMessagesPath()));
        Ask();
        QVERIFY(m_form->isVisible());
    }

    void okWithBothBoxesSuppressesAndTurnsMessagesOff() {
        QSignalSpy changed(m_form.get(), &TMForm::OnShowMessagesChange);
        m_server.Serve("/lmr/cam_message.php", MessageReply(2, "/news/2.html"), "text/plain");
        Ask();
        QTRY_COMPARE(PageText(), QStringLiteral("Café of the week"));
        m_form->NoBox->setChecked(true);
        m_form->NoAllBox->setChecked(true);
        QTest::mouseClick(m_form->OKBut, Qt::LeftButton);
        QVERIFY(!m_form->isVisible());
        QCOMPARE(ReadAll(TMForm::SuppressedMessagesPath()), QByteArray("2\r\n"));
        QCOMPARE(changed.size(), 1);
        QCOMPARE(m_form->ShowMessagesChoice, false);

        // The same message again is not shown.
        Ask();
        QVERIFY(!m_form->isVisible());
    }

    void okWithoutBoxesTurnsMessagesOnAndWritesNothing() {
        QSignalSpy changed(m_form.get(), &TMForm::OnShowMessagesChange);
        m_form->ShowMessagesChoice = false;
        m_server.Serve("/lmr/cam_message.php", MessageReply(1, "/news/1.html"), "text/plain");
        Ask();
        m_form->OKButClick();
        QCOMPARE(changed.size(), 1);
        QCOMPARE(m_form->ShowMessagesChoice, true);
        QVERIFY(!QFile::exists(TMForm::SuppressedMessagesPath()));
    }

    void closeBoxChangesNothing() {
        QSignalSpy changed(m_form.get(), &TMForm::OnShowMessagesChange);
        m_server.Serve("/lmr/cam_message.php", MessageReply(1, "/news/1.html"), "text/plain");
        Ask();
        m_form->NoBox->setChecked(true);
        m_form->NoAllBox->setChecked(true);
        QVERIFY(m_form->close());
        QVERIFY(!m_form->isVisible());
        QCOMPARE(changed.size(), 0);
        QVERIFY(!QFile::exists(TMForm::SuppressedMessagesPath()));
        // The next reply shows it again.
        Ask();
        QVERIFY(m_form->isVisible());
    }

    void furtherReplyWhileOpenNavigatesAndClearsTheBoxes() {
        m_server.Serve("/lmr/cam_message.php", MessageReply(1, "/news/1.html"), "text/plain");
        Ask();
        QTRY_COMPARE(PageText(), QStringLiteral("Spring cams"));
        m_form->NoBox->setChecked(true);
        m_form->NoAllBox->setChecked(true);

        // A reply naming nothing leaves the window as it is.
        m_server.Serve("/lmr/cam_message.php", MessageReply(0, "/news/2.html"), "text/plain");
        Ask();
        QVERIFY(m_form->isVisible() && m_form->NoBox->isChecked() && m_form->NoAllBox->isChecked());

        m_server.Serve("/lmr/cam_message.php", MessageReply(2, "/news/2.html"), "text/plain");
        Ask();
        QTRY_COMPARE(PageText(), QStringLiteral("Café of the week"));
        QVERIFY(m_form->isVisible() && !m_form->NoBox->isChecked() && !m_form->NoAllBox->isChecked());
    }

    void unreadableMessagesFileShowsNothing() {
        // A directory in the file's place cannot be read as a file.
        QVERIFY(QDir().mkpath(TMForm::SuppressedMessagesPath()));
        m_server.Serve("/lmr/cam_message.php", MessageReply(1, "/news/1.html"), "text/plain");
        Ask();
        QVERIFY(!m_form->isVisible());
        // OK cannot write there either; the choice still reaches the main window.
        QSignalSpy changed(m_form.get(), &TMForm::OnShowMessagesChange);
        m_form->NoBox->setChecked(true);
        m_form->OKButClick();
        QCOMPARE(changed.size(), 1);
        QVERIFY(QDir().rmdir(TMForm::SuppressedMessagesPath()));
    }

    void helpButtonAndF1OpenTheMessagesHelpPage() {
        const QString page = LanguageDirectory(DataDirectory(), 0) + QStringLiteral("/help/mform.html");
        QVERIFY(QDir().mkpath(QFileInfo(page).absolutePath()));
        QFile file(page);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        m_form->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
        QTest::mouseClick(m_form->HelpBut, Qt::LeftButton);
        QTest::keyClick(m_form->NoBox, Qt::Key_F1);
        QCOMPARE(m_opened.size(), 2);
        QVERIFY(m_opened.at(0).toLocalFile().endsWith(QStringLiteral("help/mform.html")));
        QCOMPARE(m_opened.at(1), m_opened.at(0));
    }
};

QTEST_MAIN(TestMForm)
#include "tst_mform.moc"
