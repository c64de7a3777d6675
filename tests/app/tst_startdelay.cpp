#include "app/StartDelay.h"

#include <QTest>

class TestStartDelay : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void delay_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("milliseconds"); // -1: starts at once

        QTest::newRow("no argument") << QStringList{} << -1;
        QTest::newRow("autostart entry") << QStringList{"/d40"} << 40000;
        QTest::newRow("five seconds") << QStringList{"/d5"} << 5000;
        QTest::newRow("bare /d") << QStringList{"/d"} << 40000;
        QTest::newRow("letters") << QStringList{"/dabc"} << 40000;
        QTest::newRow("upper-case D") << QStringList{"/D5"} << -1;
        QTest::newRow("other argument") << QStringList{"--delay"} << -1;
        QTest::newRow("later arguments ignored") << QStringList{"x", "/d5"} << -1;
        QTest::newRow("second argument not read") << QStringList{"/d7", "/d9"} << 7000;
        QTest::newRow("zero starts at once") << QStringList{"/d0"} << -1;
        QTest::newRow("negative starts at once") << QStringList{"/d-3"} << -1;
        QTest::newRow("too long for a timer") << QStringList{"/d9999999"} << -1;
        QTest::newRow("longest timer") << QStringList{"/d2147483"} << 2147483000;
        // Only ten characters after "/d" are read: "0000000001" then "23".
        QTest::newRow("ten characters") << QStringList{"/d000000000123"} << 1000;
    }
    void delay() {
        QFETCH(QStringList, arguments);
        QFETCH(int, milliseconds);
        const std::optional<int> delay = StartDelayMilliseconds(arguments);
        if (milliseconds < 0)
            QVERIFY(!delay);
        else
            QCOMPARE(delay.value_or(-1), milliseconds);
    }
};

QTEST_APPLESS_MAIN(TestStartDelay)
#include "tst_startdelay.moc"
