#include "app/CamStatus.h"

#include <QLocale>
#include <QTest>

// What the tray tells over a run of refreshes: each step is "ok" (a picture became the wallpaper),
// "fail" (a refresh brought none), "pause", "resume" or "tower" (another cam chosen); after the
// last, the state, the tooltip and the notifications raised on the way.
class TestCamStatus : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void tellsLivePausedAndFailingOncePerChange_data() {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<TCamStatus::TState>("state");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("news");
        using S = TCamStatus::TState;
        QTest::newRow("before the first picture")
            << QStringList{} << S::Waiting << "Harbour" << QStringList{};
        QTest::newRow("live, with the last picture's time")
            << QStringList{"ok", "ok"} << S::Live << "Harbour \u2014 12:01" << QStringList{};
        QTest::newRow("one failure is a hiccup")
            << QStringList{"ok", "fail"} << S::Live << "Harbour \u2014 12:00" << QStringList{};
        QTest::newRow("failing since the first failure, told once")
            << QStringList{"ok", "fail", "fail", "fail", "fail"} << S::Failing
            << "Cannot reach cams.example since 12:01" << QStringList{"failing"};
        QTest::newRow("back, told once") << QStringList{"fail", "fail", "ok", "ok"} << S::Live
                                         << "Harbour \u2014 12:03" << QStringList{"failing", "back"};
        QTest::newRow("paused wins") << QStringList{"ok", "pause", "fail", "fail"} << S::Paused << "Paused"
                                     << QStringList{};
        QTest::newRow("resumed") << QStringList{"pause", "resume", "ok"} << S::Live << "Harbour \u2014 12:02"
                                 << QStringList{};
        QTest::newRow("another cam starts afresh, never back")
            << QStringList{"fail", "fail", "tower", "ok"} << S::Live << "Tower \u2014 12:03"
            << QStringList{"failing"};
    }
    void tellsLivePausedAndFailingOncePerChange() {
        QFETCH(QStringList, steps);
        QFETCH(TCamStatus::TState, state);
        QFETCH(QString, text);
        QFETCH(QStringList, news);
        QLocale::setDefault(QLocale(QLocale::German)); // 24-hour clock times
        TCamStatus status;
        status.SetCam(QStringLiteral("Harbour"), "https://cams.example:8443/harbour.jpg");
        QStringList told;
        QDateTime at(QDate(2026, 12, 8), QTime(12, 0));
        for (const QString& step : steps) {
            TCamStatus::TNews said = TCamStatus::TNews::None;
            if (step == QLatin1String("ok"))
                said = status.PictureInstalled(at);
            else if (step == QLatin1String("fail"))
                said = status.PictureFailed(at);
            else if (step == QLatin1String("tower"))
                status.SetCam(QStringLiteral("Tower"), "http://b.example/y.jpg");
            else
                status.SetActive(step == QLatin1String("resume"));
            if (said != TCamStatus::TNews::None)
                told << (said == TCamStatus::TNews::Back ? "back" : "failing");
            at = at.addSecs(60);
        }
        QCOMPARE(status.State(), state);
        QCOMPARE(status.Text(), text);
        QCOMPARE(told, news);
    }
};

QTEST_GUILESS_MAIN(TestCamStatus)
#include "tst_camstatus.moc"
