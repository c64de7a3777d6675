#include "platform/SingleInstance.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QTest>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

class TestSingleInstance : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void lockLivesInTheRuntimeFolder() {
        const TSingleInstance guard(QStringLiteral("lmr"));
        QCOMPARE(QFileInfo(guard.LockPath()).absolutePath(), qEnvironmentVariable("XDG_RUNTIME_DIR"));
        QCOMPARE(QFileInfo(guard.LockPath()).baseName(), QStringLiteral("lmr"));
    }

    void secondGuardOfARunningProgramIsRefused() {
        TSingleInstance first(QStringLiteral("lmr-running"));
        QVERIFY(first.TryAcquire());
        QVERIFY(first.TryAcquire());

        // Another process asks while this one holds the guard.
        const pid_t child = fork();
        if (child == 0) {
            TSingleInstance second(QStringLiteral("lmr-running"));
            _exit(second.TryAcquire() ? 1 : 0);
        }
        int status = 0;
        QCOMPARE(waitpid(child, &status, 0), child);
        QVERIFY(WIFEXITED(status));
        QCOMPARE(WEXITSTATUS(status), 0);
    }

    // A program that crashed leaves its lock file behind; the next start takes it over.
    void guardOfADeadProgramIsTakenOver() {
        const pid_t child = fork();
        if (child == 0) {
            TSingleInstance crashed(QStringLiteral("lmr-dead"));
            const bool held = crashed.TryAcquire();
            _exit(held ? 0 : 1); // no destructor runs: the lock file stays
        }
        int status = 0;
        QCOMPARE(waitpid(child, &status, 0), child);
        QCOMPARE(WEXITSTATUS(status), 0);
        TSingleInstance next(QStringLiteral("lmr-dead"));
        QVERIFY(QFileInfo::exists(next.LockPath()));
        QVERIFY(next.TryAcquire());
    }

    // A program killed between creating its lock file and writing its process id into it leaves an empty
    // file. Once a living owner would have filled it, and unless some process holds it, it is taken over.
    void guardLeftEmptyByAKilledProgram_data() {
        QTest::addColumn<int>("ageMs");
        QTest::addColumn<bool>("heldByAProcess");
        QTest::addColumn<bool>("takenOver");
        QTest::newRow("left a while ago") << 5000 << false << true;
        QTest::newRow("left just now") << 0 << false << true;
        QTest::newRow("held while its owner fills it") << 5000 << true << false;
    }
    void guardLeftEmptyByAKilledProgram() {
        QFETCH(int, ageMs);
        QFETCH(bool, heldByAProcess);
        QFETCH(bool, takenOver);
        TSingleInstance next(QStringLiteral("lmr-unfilled"));
        QFile left(next.LockPath());
        QVERIFY(left.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QVERIFY(left.setFileTime(QDateTime::currentDateTime().addMSecs(-ageMs),
                                 QFileDevice::FileModificationTime));
        if (heldByAProcess)
            QCOMPARE(flock(left.handle(), LOCK_EX | LOCK_NB), 0);
        QCOMPARE(next.TryAcquire(), takenOver);
        QCOMPARE(QFileInfo(next.LockPath()).size() > 0, takenOver);
    }

    void releasedWhenTheGuardEnds() {
        {
            TSingleInstance first(QStringLiteral("lmr-released"));
            QVERIFY(first.TryAcquire());
        }
        TSingleInstance next(QStringLiteral("lmr-released"));
        QVERIFY(next.TryAcquire());
    }
};

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "tst_singleinstance.moc"
