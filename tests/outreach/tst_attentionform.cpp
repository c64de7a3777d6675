// The attention box as the user meets it: each notice's text, background and buttons, and which
// way of closing it counts as its positive answer. Buttons are clicked through the widgets while
// the notice runs its own loop.
#include "outreach/UAttentionForm.h"
#include "platform/ShellOpen.h"
#include "platform/ULMRLib.h"
#include "widgets/ImgBtn.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTest>
#include <QTimer>
#include <functional>

namespace {

enum class Notice { NoConnection, SuggestionDone, SuggestionFailed };

bool Show(TAttentionForm& form, Notice notice) {
    switch (notice) {
    case Notice::NoConnection:
        return form.ShowNoConnection();
    case Notice::SuggestionDone:
        return form.ShowSuggestionDone();
    case Notice::SuggestionFailed:
        return form.ShowSuggestionFailed();
    }
    return false;
}

// Runs `act` once the notice is on screen, then shows the notice and returns its answer.
bool ShowAndThen(TAttentionForm& form, Notice notice, const std::function<void()>& act) {
    QTimer::singleShot(0, &form, [&form, act] {
        if (QTest::qWaitFor([&] { return form.isVisible(); }, 5000))
            act();
    });
    return Show(form, notice);
}

void Click(TImgBtn* button) {
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(10, 10));
}

bool SameImage(const QPixmap& a, const QPixmap& b) {
    return !a.isNull() && a.toImage() == b.toImage();
}

} // namespace

Q_DECLARE_METATYPE(Notice)

class TestAttentionForm : public QObject {
    Q_OBJECT
    TAttentionForm m_form;

private Q_SLOTS:
    void noticesShowTheirTextBackgroundAndButtons_data() {
        QTest::addColumn<Notice>("notice");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("attention");
        QTest::addColumn<bool>("retry");
        QTest::newRow("no connection") << Notice::NoConnection << m_form.NoConnectionText << true << true;
        QTest::newRow("suggestion done")
            << Notice::SuggestionDone << m_form.SuggestionDoneText << false << false;
        QTest::newRow("suggestion failed")
            << Notice::SuggestionFailed << m_form.SuggestionFailText << false << false;
    }
    void noticesShowTheirTextBackgroundAndButtons() {
        QFETCH(Notice, notice);
        QFETCH(QString, text);
        QFETCH(bool, attention);
        QFETCH(bool, retry);
        bool checked = false;
        const bool answer = ShowAndThen(m_form, notice, [&] {
            QCOMPARE(m_form.MessageLabel->text(), text);
            const QLabel* background = attention ? m_form.AttentionImage : m_form.ThankYouImage;
            QVERIFY(SameImage(m_form.MainImage->pixmap(), background->pixmap()));
            QCOMPARE(m_form.RetryBut->isVisible(), retry);
            QCOMPARE(m_form.CancelBut->isVisible(), retry);
            QCOMPARE(m_form.OKBut->isVisible(), !retry);
            QVERIFY(m_form.HelpBut->isVisible());
            QCOMPARE(m_form.OKBut->pos(), QPoint(183, 164));
            for (const TImgBtn* button : {m_form.RetryBut, m_form.CancelBut, m_form.OKBut, m_form.HelpBut})
                QVERIFY2(!button->isVisible() || !button->toolTip().isEmpty(),
                         qPrintable(button->objectName()));
            checked = true;
            Click(retry ? m_form.RetryBut : m_form.OKBut);
        });
        QVERIFY(checked);
        QVERIFY(answer);
        QVERIFY(!m_form.isVisible());
    }

    void negativeAnswers_data() {
        QTest::addColumn<QString>("how");
        QTest::newRow("cancel button") << QStringLiteral("cancel");
        QTest::newRow("close box") << QStringLiteral("close");
    }
    void negativeAnswers() {
        QFETCH(QString, how);
        const bool answer = ShowAndThen(m_form, Notice::NoConnection, [&] {
            if (how == QStringLiteral("cancel"))
                Click(m_form.CancelBut);
            else
                m_form.close();
        });
        QVERIFY(!answer);
    }

    void escapeDoesNotCloseButF1OpensHelp() {
        const QString page =
            LanguageDirectory(DataDirectory(), 0) + QStringLiteral("/help/attentionform.html");
        QDir().mkpath(QFileInfo(page).absolutePath());
        QFile(page).open(QIODevice::WriteOnly);
        QList<QUrl> opened;
        SetShellOpenHandler([&](const QUrl& url) {
            opened << url;
            return true;
        });
        bool stayedOpen = false;
        const bool answer = ShowAndThen(m_form, Notice::SuggestionDone, [&] {
            QTest::keyClick(&m_form, Qt::Key_Escape);
            QTest::keyClick(&m_form, Qt::Key_F1);
            Click(m_form.HelpBut);
            stayedOpen = m_form.isVisible();
            Click(m_form.OKBut);
        });
        SetShellOpenHandler({});
        QVERIFY(stayedOpen);
        QVERIFY(answer);
        QCOMPARE(opened, (QList<QUrl>{QUrl::fromLocalFile(page), QUrl::fromLocalFile(page)}));
    }

    // A suggestion's answer that arrives while the no-connection notice waits comes after it, and
    // each notice keeps its own text and outcome.
    void aSecondNoticeWaitsForTheFirst() {
        QStringList seen;
        bool second = false;
        QTimer::singleShot(0, &m_form, [&] {
            QTimer::singleShot(0, &m_form, [&] { second = Show(m_form, Notice::SuggestionDone); });
            QTimer::singleShot(100, &m_form, [&] {
                seen << m_form.MessageLabel->text();
                Click(m_form.RetryBut);
                QTimer::singleShot(100, &m_form, [&] {
                    seen << m_form.MessageLabel->text();
                    Click(m_form.OKBut);
                });
            });
        });
        const bool first = Show(m_form, Notice::NoConnection);
        QCOMPARE(seen, (QStringList{m_form.NoConnectionText, m_form.SuggestionDoneText}));
        QVERIFY(first);
        QVERIFY(second);
        QVERIFY(!m_form.isVisible());
    }

    void missingTextShowsAnEmptyNotice() {
        m_form.SuggestionFailText.clear();
        const bool answer = ShowAndThen(m_form, Notice::SuggestionFailed, [&] {
            QVERIFY(m_form.MessageLabel->text().isEmpty());
            Click(m_form.OKBut);
        });
        QVERIFY(answer);
    }

    // The program's end leaves both a notice and the one waiting for it. Last: after exit() no
    // event loop of this process runs again.
    void theEndLeavesAWaitingNoticeToo() {
        bool second = true;
        QTimer::singleShot(0, &m_form, [&] {
            QTimer::singleShot(0, &m_form, [&] { second = Show(m_form, Notice::SuggestionDone); });
            QTimer::singleShot(100, &m_form, [] { QCoreApplication::exit(0); });
        });
        QVERIFY(!Show(m_form, Notice::NoConnection));
        QVERIFY(!second);
        m_form.hide();
    }
};

QTEST_MAIN(TestAttentionForm)
#include "tst_attentionform.moc"
