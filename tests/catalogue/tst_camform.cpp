// The cam dialog as the user meets it: its controls found by their names, the keys that must not end
// it, and the suggestion as a real HTTP server on 127.0.0.1 receives it, with the notice each answer
// brings.
#include "TestHttpServer.h"
#include "catalogue/CustomCamFields.h"
#include "catalogue/UCamForm.h"
#include "net/HTTPGet.h"
#include "outreach/UAttentionForm.h"
#include "platform/ShellOpen.h"
#include "platform/ULMRLib.h"
#include "widgets/ImgBtn.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <functional>

namespace {

void Click(TImgBtn* button) {
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(5, 5));
}

// Runs `act` once the dialog is on screen, then runs the dialog and returns what Execute returned.
bool ExecuteAndThen(TCamForm& form, const std::function<void()>& act) {
    QTimer::singleShot(0, &form, [&form, act] {
        if (QTest::qWaitFor([&] { return form.isVisible(); }, 5000))
            act();
        // A check that failed inside `act` must not leave the dialog waiting for ever.
        if (form.isVisible())
            form.CancelButClick();
    });
    return form.Execute();
}

// Answers every suggestion notice with OK and remembers its text, and whether the cam dialog was
// still open when it came.
class NoticeWatcher : public QObject {
public:
    NoticeWatcher(TCamForm& form, TAttentionForm& notice)
        : m_form(form) {
        connect(&m_poll, &QTimer::timeout, this, [this, &notice] {
            if (!notice.isVisible())
                return;
            Texts << notice.MessageLabel->text();
            DialogOpen << m_form.isVisible();
            Click(notice.OKBut);
        });
        m_poll.start(10);
    }
    QStringList Texts;
    QList<bool> DialogOpen;

private:
    TCamForm& m_form;
    QTimer m_poll;
};

} // namespace

class TestCamForm : public QObject {
    Q_OBJECT
    std::unique_ptr<TAttentionForm> m_attention;
    std::unique_ptr<TCamForm> m_form;
    std::unique_ptr<TestHttpServer> m_server;

    void Fill(const QString& title, const QString& source, const QString& description, const QString& webpage,
              const QString& country, const QString& refresh) {
        m_form->TitleEdit->setText(title);
        m_form->URLEdit->setText(source);
        m_form->DescriptionEdit->setText(description);
        m_form->WebpageEdit->setText(webpage);
        m_form->CountryEdit->setEditText(country);
        m_form->RefreshEdit->setText(refresh);
    }

    // Waits until the suggestion fetcher has finished, its answer handled.
    bool SuggestionSettled() {
        return QTest::qWaitFor([&] { return !m_form->Suggest->Busy(); }, 15000);
    }

private Q_SLOTS:
    void init() {
        m_server = std::make_unique<TestHttpServer>();
        QVERIFY(m_server->IsListening());
        qputenv("LUMORA_CATALOGUE_HOST", "cams.example");
        qputenv("LUMORA_CONNECT_TO", m_server->ConnectToRule("cams.example"));
        m_attention = std::make_unique<TAttentionForm>();
        m_form = std::make_unique<TCamForm>();
        // The test owns the dialog, so it tells the answers as the program does.
        connect(m_form.get(), &TCamForm::SuggestionAnswered, m_attention.get(), [this](bool stored) {
            stored ? m_attention->ShowSuggestionDone() : m_attention->ShowSuggestionFailed();
        });
    }
    void cleanup() {
        m_form.reset();
        m_attention.reset();
        m_server.reset();
    }

    void controlsFoundByTheirNames_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("place");
        QTest::addColumn<QString>("label");
        QTest::newRow("title") << "TitleEdit" << QRect(86, 52, 307, 21) << "TitleLabel";
        QTest::newRow("source") << "URLEdit" << QRect(86, 82, 307, 21) << "URLLabel";
        QTest::newRow("description") << "DescriptionEdit" << QRect(86, 112, 307, 21) << "DescriptionLabel";
        QTest::newRow("webpage") << "WebpageEdit" << QRect(86, 142, 307, 21) << "WebpageLabel";
        QTest::newRow("country") << "CountryEdit" << QRect(86, 172, 142, 21) << "CountryLabel";
        QTest::newRow("refresh") << "RefreshEdit" << QRect(334, 172, 59, 21) << "RefreshLabel";
        QTest::newRow("help") << "HelpBut" << QRect(10, 209, 35, 26) << QString();
        QTest::newRow("suggest") << "SuggestBut" << QRect(64, 209, 114, 26) << QString();
        QTest::newRow("ok") << "OKBut" << QRect(181, 209, 114, 26) << QString();
        QTest::newRow("cancel") << "CancelBut" << QRect(298, 209, 114, 26) << QString();
        QTest::newRow("background") << "MainImage" << QRect(0, 0, 420, 240) << QString();
    }
    void controlsFoundByTheirNames() {
        QFETCH(QString, name);
        QFETCH(QRect, place);
        QFETCH(QString, label);
        const auto* control = m_form->findChild<QWidget*>(name);
        QVERIFY(control);
        QCOMPARE(control->geometry(), place);
        QVERIFY(!control->accessibleName().isEmpty());
        if (const auto* button = qobject_cast<const TImgBtn*>(control)) {
            // A picture of the designed size, and its hint to name it.
            QCOMPARE(button->Pic().size(), place.size());
            QVERIFY(!button->PicDisabled().isNull());
            QCOMPARE(button->accessibleName(), button->toolTip());
        }
        if (!label.isEmpty()) {
            const auto* caption = m_form->findChild<QLabel*>(label);
            QVERIFY(caption);
            QCOMPARE(caption->buddy(), control);
            QVERIFY(caption->alignment() & Qt::AlignRight);
            QCOMPARE(control->accessibleName(), caption->text());
        }
    }

    void tabGoesThroughTheFieldsOnly() {
        QStringList visited;
        ExecuteAndThen(*m_form, [&] {
            m_form->activateWindow();
            if (!QTest::qWaitForWindowActive(m_form.get()))
                return;
            m_form->TitleEdit->setFocus();
            for (int i = 0; i < 6; ++i) {
                QWidget* focused = QApplication::focusWidget();
                while (focused && focused->objectName().isEmpty())
                    focused = focused->parentWidget();
                visited << (focused ? focused->objectName() : QString());
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            }
            m_form->CancelButClick();
        });
        QCOMPARE(visited, (QStringList{"TitleEdit", "URLEdit", "DescriptionEdit", "WebpageEdit",
                                       "CountryEdit", "RefreshEdit"}));
    }

    void opensWithTheCursorInTheTitle() {
        QStringList focused;
        for (int opening = 0; opening < 2; ++opening)
            ExecuteAndThen(*m_form, [&] {
                m_form->activateWindow();
                if (QTest::qWaitForWindowActive(m_form.get()) && QApplication::focusWidget())
                    focused << QApplication::focusWidget()->objectName();
                m_form->RefreshEdit->setFocus();
                m_form->CancelButClick();
            });
        QCOMPARE(focused, (QStringList{"TitleEdit", "TitleEdit"}));
    }

    void onlyOkCancelAndCloseBoxEndIt_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("result");
        QTest::newRow("OK") << "ok" << true;
        QTest::newRow("Cancel") << "cancel" << false;
        QTest::newRow("close box") << "close" << false;
    }
    void onlyOkCancelAndCloseBoxEndIt() {
        QFETCH(QString, how);
        const QString page = LanguageDirectory(DataDirectory(), 0) + QStringLiteral("/help/camform.html");
        QDir().mkpath(QFileInfo(page).absolutePath());
        QFile(page).open(QIODevice::WriteOnly);
        QList<QUrl> opened;
        SetShellOpenHandler([&](const QUrl& url) {
            opened << url;
            return true;
        });
        bool survivedKeys = false;
        const bool result = ExecuteAndThen(*m_form, [&] {
            for (QWidget* target : {static_cast<QWidget*>(m_form->TitleEdit),
                                    static_cast<QWidget*>(m_form->CountryEdit->lineEdit()),
                                    static_cast<QWidget*>(m_form.get())}) {
                for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape})
                    QTest::keyClick(target, key);
            }
            QTest::keyClick(m_form->RefreshEdit, Qt::Key_F1);
            Click(m_form->HelpBut);
            survivedKeys = m_form->isVisible();
            if (how == QStringLiteral("ok"))
                Click(m_form->OKBut);
            else if (how == QStringLiteral("cancel"))
                Click(m_form->CancelBut);
            else
                m_form->close();
        });
        SetShellOpenHandler({});
        QVERIFY(survivedKeys);
        QTEST(result, "result");
        QVERIFY(!m_form->isVisible());
        QCOMPARE(opened, (QList<QUrl>{QUrl::fromLocalFile(page), QUrl::fromLocalFile(page)}));
    }

    void suggestionPostsTheFieldsAsTyped_data() {
        QTest::addColumn<QStringList>("fields");
        QTest::addColumn<int>("language");
        QTest::addColumn<QByteArray>("body");
        QTest::newRow("& = and blanks unchanged")
            << QStringList{" Tom & Jerry = fun ", "http://x.example/p?a=1&b=2", "", "", "Isle of Man ", "ten"}
            << 3
            << QByteArray("title= Tom & Jerry = fun &description=&source=http://x.example/p?a=1&b=2&webpage="
                          "&country=Isle of Man &refresh=ten&language=3&category=suggested");
        QTest::newRow("all empty") << QStringList{"", "", "", "", "", ""} << 12
                                   << QByteArray("title=&description=&source=&webpage=&country=&refresh="
                                                 "&language=12&category=suggested");
        QTest::newRow("not encoded") << QStringList{"Z\u00fcrich 100%", "a+b", "", "", "", ""} << 0
                                     << QByteArray("title=Z\xc3\xbcrich 100%&description=&source=a+b&webpage="
                                                   "&country=&refresh=&language=0&category=suggested");
    }
    void suggestionPostsTheFieldsAsTyped() {
        QFETCH(QStringList, fields);
        QFETCH(int, language);
        m_server->Serve("/lmr/p_suggest.php", "ok", "text/plain");
        m_form->CurrentLanguage = [language] { return language; };
        Fill(fields[0], fields[1], fields[2], fields[3], fields[4], fields[5]);
        NoticeWatcher notices(*m_form, *m_attention);
        Click(m_form->SuggestBut);
        QVERIFY(m_server->WaitForRequests(1));
        QVERIFY(SuggestionSettled());

        const TestHttpServer::Request request = m_server->Requests().at(0);
        QCOMPARE(request.Method, QByteArray("POST"));
        QCOMPARE(request.Path, QByteArray("/lmr/p_suggest.php"));
        QCOMPARE(request.Header("Host"), QByteArray("cams.example"));
        QCOMPARE(request.Header("User-Agent"), QByteArray("Mozilla/4.0 (compatible; MSIE 6.0; Win32)"));
        QCOMPARE(request.Header("Content-Type"), QByteArray("application/x-www-form-urlencoded"));
        QTEST(request.Body, "body");
        // Sending a suggestion changes nothing in the dialog.
        QCOMPARE(m_form->TitleEdit->text(), fields[0]);
        QCOMPARE(notices.Texts, QStringList{m_attention->SuggestionDoneText});
    }

    void answerDecidesTheNotice_data() {
        QTest::addColumn<QByteArray>("status");
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<int>("notice"); // 0 none, 1 thank you, 2 failure
        QTest::newRow("ok") << QByteArray("200 OK") << QByteArray("ok") << 1;
        QTest::newRow("ok and a line break") << QByteArray("200 OK") << QByteArray("ok\r\n") << 2;
        QTest::newRow("upper case") << QByteArray("200 OK") << QByteArray("OK") << 2;
        QTest::newRow("leading blank") << QByteArray("200 OK") << QByteArray(" ok") << 2;
        QTest::newRow("refusal") << QByteArray("200 OK") << QByteArray("refused: not a cam suggestion") << 2;
        QTest::newRow("error page") << QByteArray("500 Internal Server Error")
                                    << QByteArray("<html><body>Internal error</body></html>") << 2;
        QTest::newRow("empty reply: the request failed") << QByteArray("200 OK") << QByteArray() << 0;
    }
    void answerDecidesTheNotice() {
        QFETCH(QByteArray, status);
        QFETCH(QByteArray, answer);
        QFETCH(int, notice);
        TestHttpServer::Reply reply;
        reply.Status = status;
        reply.Body = answer;
        m_server->Serve("/lmr/p_suggest.php", reply);
        NoticeWatcher notices(*m_form, *m_attention);
        Click(m_form->SuggestBut);
        QVERIFY(m_server->WaitForRequests(1));
        QVERIFY(SuggestionSettled());
        const QStringList expected = notice == 0   ? QStringList()
                                     : notice == 1 ? QStringList{m_attention->SuggestionDoneText}
                                                   : QStringList{m_attention->SuggestionFailText};
        QCOMPARE(notices.Texts, expected);
    }

    void secondPressWhileSendingIsDropped() {
        m_server->Serve("/lmr/p_suggest.php", "ok", "text/plain");
        NoticeWatcher notices(*m_form, *m_attention);
        m_form->TitleEdit->setText(QStringLiteral("first"));
        Click(m_form->SuggestBut);
        // The main thread has not run since: the first suggestion cannot have been answered yet.
        QVERIFY(m_server->WaitForRequests(1));
        m_form->TitleEdit->setText(QStringLiteral("second"));
        Click(m_form->SuggestBut);
        QVERIFY(SuggestionSettled());
        QCOMPARE(m_server->RequestCount(), 1);
        QVERIFY(m_server->Requests().at(0).Body.startsWith("title=first&"));
        QCOMPARE(notices.Texts.size(), 1);
    }

    void answerComesAfterTheDialogWasCancelled() {
        m_server->Serve("/lmr/p_suggest.php", "ok", "text/plain");
        NoticeWatcher notices(*m_form, *m_attention);
        const bool result = ExecuteAndThen(*m_form, [&] {
            m_form->TitleEdit->setText(QStringLiteral("Pier"));
            Click(m_form->SuggestBut);
            // Suggesting leaves the dialog open; Cancel keeps its meaning.
            QVERIFY(m_form->isVisible());
            Click(m_form->CancelBut);
        });
        QVERIFY(!result);
        QVERIFY(SuggestionSettled());
        QCOMPARE(notices.Texts, QStringList{m_attention->SuggestionDoneText});
        QCOMPARE(notices.DialogOpen, QList<bool>{false});
    }

    // Editing a cam whose bytes came in another code page changes only the fields the user changed.
    void unchangedFieldsKeepTheirBytes() {
        TWebCam cam;
        cam.Name = "Hafen";
        cam.Country = "Z\xfc"
                      "rich";
        cam.URL = "http://cams.example/z\xfc.jpg";
        WriteCamFields(&cam, *m_form);
        QCOMPARE(m_form->CountryEdit->currentText(), QStringLiteral(u"Zürich"));
        m_form->TitleEdit->setText(QStringLiteral(u"Hafen Zürich"));
        ReadCamFields(*m_form, cam);
        QCOMPARE(cam.Name, QByteArray("Hafen Z\xc3\xbc"
                                      "rich"));
        QCOMPARE(cam.Country, QByteArray("Z\xfc"
                                         "rich"));
        QCOMPARE(cam.URL, QByteArray("http://cams.example/z\xfc.jpg"));
    }

    // A text pasted with its line breaks must not break Custom.Cams into lines of its own.
    void pastedLinesBecomeOneLine_data() {
        QTest::addColumn<QString>("pasted");
        QTest::addColumn<QByteArray>("stored");
        QTest::newRow("LF") << QStringLiteral("Pier\nname=Other") << QByteArray("Pier name=Other");
        QTest::newRow("CR LF") << QStringLiteral("Pier\r\nend\r\n") << QByteArray("Pier end ");
        QTest::newRow("CR") << QStringLiteral("\rPier") << QByteArray(" Pier");
    }
    void pastedLinesBecomeOneLine() {
        QFETCH(QString, pasted);
        TWebCam cam;
        WriteCamFields(&cam, *m_form);
        for (QLineEdit* field :
             {m_form->TitleEdit, m_form->URLEdit, m_form->DescriptionEdit, m_form->WebpageEdit})
            field->setText(pasted);
        m_form->CountryEdit->setEditText(pasted);
        ReadCamFields(*m_form, cam);
        for (const QByteArray& value : {cam.Name, cam.URL, cam.Description, cam.Webpage, cam.Country})
            QTEST(value, "stored");
        TCamList list;
        *list.Add() = cam;
        TCamList readBack;
        readBack.LoadFromText(list.CustomRecordText());
        QCOMPARE(readBack.Count(), 1);
        QCOMPARE(readBack.Items(0)->Name, cam.Name);
        QCOMPARE(readBack.Items(0)->Country, cam.Country);
    }
};

QTEST_MAIN(TestCamForm)
#include "tst_camform.moc"
