// A cam suggested through the cam dialog on a real X server, clicked with the real pointer, reaches
// lumora-server; its review command lists it as typed and, once it is approved, the next catalogue
// reply carries it as a cam.
#include "E2EHarness.h"
#include "catalogue/UCamForm.h"
#include "core/CatalogueRequest.h"
#include "core/LanguageList.h"
#include "core/UCams.h"
#include "outreach/UAttentionForm.h"
#include "platform/ULMRLib.h"
#include "server/ServerHarness.h"
#include "widgets/ImgBtn.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>

using namespace E2E;

namespace {

bool ClickOn(const QWidget* widget) {
    return ClickAt(widget->mapToGlobal(widget->rect().center()));
}

// Answers each notice with a real click on its OK button and remembers its text, as long as the
// notice window exists.
class NoticeClicker : public QObject {
public:
    explicit NoticeClicker(TAttentionForm& notice) {
        connect(&m_poll, &QTimer::timeout, this, [this, &notice] {
            if (!notice.isVisible() || m_clicked || !QTest::qWaitForWindowExposed(&notice))
                return;
            Texts << notice.MessageLabel->text();
            m_clicked = ClickOn(notice.OKBut);
        });
        connect(&notice, &QDialog::finished, this, [this] { m_clicked = false; });
        m_poll.start(50);
    }
    QStringList Texts;

private:
    QTimer m_poll;
    bool m_clicked = false;
};

} // namespace

class TestE2ESuggestion : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void suggestedCamReachesTheCatalogue() {
        const QString db = ScratchPath(QStringLiteral("suggestions.db"));
        TRunningServer server;
        QVERIFY2(server.Start(db), server.ErrorOutput().constData());
        qputenv("LUMORA_CATALOGUE_HOST", "localhost");
        qputenv("LUMORA_CONNECT_TO", "localhost:80:127.0.0.1:" + QByteArray::number(server.Port()));

        TAttentionForm attention;
        TCamForm form;
        QObject::connect(&form, &TCamForm::SuggestionAnswered, &attention, [&](bool stored) {
            stored ? attention.ShowSuggestionDone() : attention.ShowSuggestionFailed();
        });
        NoticeClicker notices(attention);

        bool sent = false;
        QTimer::singleShot(0, &form, [&] {
            if (!QTest::qWaitForWindowExposed(&form))
                return form.CancelButClick();
            QTest::keyClicks(form.TitleEdit, QStringLiteral("Tom & Jerry's Pier"));
            QTest::keyClicks(form.URLEdit, QStringLiteral("http://pier.example/cam.jpg?size=big&fmt=jpg"));
            QTest::keyClicks(form.DescriptionEdit, QStringLiteral("Boats = fun"));
            QTest::keyClicks(form.WebpageEdit, QStringLiteral("http://pier.example/"));
            QTest::keyClicks(form.CountryEdit->lineEdit(), QStringLiteral("Norway"));
            QTest::keyClicks(form.RefreshEdit, QStringLiteral("45"));
            if (!ClickOn(form.SuggestBut))
                return form.CancelButClick();
            sent = QTest::qWaitFor([&] { return !notices.Texts.isEmpty() && !attention.isVisible(); }, 20000);
            // The dialog is still open after the answer; the user leaves it with the real Cancel button.
            if (!form.isVisible() || !ClickOn(form.CancelBut))
                form.CancelButClick();
        });
        QVERIFY(!form.Execute());
        QVERIFY(sent);
        QCOMPARE(notices.Texts, QStringList{attention.SuggestionDoneText});

        // The review command lists the suggestion with every field as it was typed.
        TCommandResult listed = RunServerCommand({"suggestions", "--db", db});
        QCOMPARE(listed.ExitCode, 0);
        for (const QByteArray& line :
             {QByteArray("title=Tom & Jerry's Pier\r\n"), QByteArray("description=Boats = fun\r\n"),
              QByteArray("source=http://pier.example/cam.jpg?size=big&fmt=jpg\r\n"),
              QByteArray("webpage=http://pier.example/\r\n"), QByteArray("country=Norway\r\n"),
              QByteArray("refresh=45\r\n"), QByteArray("language=0\r\n"),
              QByteArray("category=suggested\r\n")})
            QVERIFY2(listed.Out.contains(line), line.constData());
        const QRegularExpressionMatch id =
            QRegularExpression(QStringLiteral("\\bid=(\\d+)\\r\\n")).match(QString::fromUtf8(listed.Out));
        QVERIFY(id.hasMatch());

        QCOMPARE(RunServerCommand({"approve", id.captured(1), "--category", "Harbours", "--db", db}).ExitCode,
                 0);
        QCOMPARE(RunServerCommand({"suggestions", "--db", db}).Out, QByteArray());

        // The next catalogue reply, read as the program reads it, holds the cam.
        TWebCamPtr cam;
        QTRY_VERIFY_WITH_TIMEOUT(
            [&] {
                TCamList cams;
                TLanguageList languages;
                ReadCatalogueRecords(
                    Post(server.Port(), CatalogueServer::CatalogueScript, CatalogueRequestBody(0, "id", 0))
                        .Body,
                    cams, languages);
                for (const TWebCamPtr& each : cams) {
                    if (each->Name == "Tom & Jerry's Pier")
                        cam = each;
                }
                return cam != nullptr;
            }(),
            5000);
        QVERIFY(cam->RefID > 0);
        QCOMPARE(cam->URL, QByteArray("http://pier.example/cam.jpg?size=big&fmt=jpg"));
        QCOMPARE(cam->Description, QByteArray("Boats = fun"));
        QCOMPARE(cam->Webpage, QByteArray("http://pier.example/"));
        QCOMPARE(cam->Country, QByteArray("Norway"));
        QCOMPARE(cam->Category, QByteArray("Harbours"));
        QCOMPARE(cam->Refresh, 45);
    }
};

int main(int argc, char* argv[]) {
    // The dialog runs on the X server that xvfb-run started, as the program's windows do.
    qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);
    TestE2ESuggestion test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_e2e_suggestion.moc"
