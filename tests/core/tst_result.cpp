#include "core/Result.h"

#include <QTest>

class TestResult : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // A bitmap path and the reason there is none are both text: neither may pass for the other, and a
    // failure is one even when it has no words.
    void valueAndReasonStayApart_data() {
        QTest::addColumn<bool>("failed");
        QTest::addColumn<QString>("text");
        QTest::newRow("value") << false << QStringLiteral("Pic1.bmp");
        QTest::newRow("empty value") << false << QString();
        QTest::newRow("reason") << true << QStringLiteral("the x11 desktop did not take Pic1.bmp");
        QTest::newRow("empty reason") << true << QString();
    }
    void valueAndReasonStayApart() {
        QFETCH(bool, failed);
        QFETCH(QString, text);
        const TResult<QString> result = failed ? TResult<QString>(Failure(text)) : TResult<QString>(text);
        QCOMPARE(result.Ok(), !failed);
        QCOMPARE(result.Error(), failed ? text : QString());
        QCOMPARE(result.ValueOr(QStringLiteral("none")), failed ? QStringLiteral("none") : text);
        QCOMPARE(bool(failed ? TResult<>(Failure(text)) : TResult<>()), !failed);
    }
};

QTEST_GUILESS_MAIN(TestResult)
#include "tst_result.moc"
