#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

// `lumora --help` and `lumora --version` print and end as any Linux program does: without a display,
// without taking the one-program lock, and before any window could appear.
class TestCommandLine : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void printsAndEndsWithoutADisplay_data() {
        QTest::addColumn<QString>("argument");
        QTest::addColumn<QString>("pattern");
        QTest::newRow("--version") << "--version"
                                   << "^Lumora \\d+\\.\\d+\\.\\d+\\.\\d+\\n$";
        QTest::newRow("-h") << "-h"
                            << "^Usage: lumora \\[/d\\[SECONDS\\]\\]\\n(.|\\n)*--version";
    }
    void printsAndEndsWithoutADisplay() {
        QFETCH(QString, argument);
        QFETCH(QString, pattern);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(QStringLiteral("DISPLAY"));
        environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
        environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
        QProcess lumora;
        lumora.setProcessEnvironment(environment);
        lumora.start(QStringLiteral(LUMORA_BINARY), {argument});
        QVERIFY(lumora.waitForFinished(10000));
        QCOMPARE(lumora.exitStatus(), QProcess::NormalExit);
        QCOMPARE(lumora.exitCode(), 0);
        const QString printed = QString::fromLocal8Bit(lumora.readAllStandardOutput());
        QVERIFY2(QRegularExpression(pattern).match(printed).hasMatch(), qPrintable(printed));
        QVERIFY2(QDir(qEnvironmentVariable("XDG_RUNTIME_DIR")).entryList(QDir::Files).isEmpty(),
                 "the lock file was left behind");
    }
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
