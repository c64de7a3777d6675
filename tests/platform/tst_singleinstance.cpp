#include "platform/SingleInstance.h"

#include <QFileInfo>
#include <QTest>
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
