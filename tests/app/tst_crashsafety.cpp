// Kills a process at random moments while it writes each file the program owns, and checks that every
// kill leaves each file whole (its old or its new version) and that the program reads what is left.
// The seed is printed; LUMORA_CRASH_SEED repeats a run.

#include "app/GeneralSettings.h"
#include "core/CatalogueRequest.h"
#include "core/UCams.h"
#include "core/picture/PictureDecoders.h"
#include "platform/Autostart.h"

#include <QDirIterator>
#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <map>

namespace {

using Snapshot = std::map<QString, QByteArray>;

// Every file below folder, hidden ones included, by relative path. The lock file of the settings, which a
// killed writer leaves behind, holds no setting: the next writer takes it over (see ProgramReading).
Snapshot Files(const QString& folder) {
    Snapshot files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile file(it.next());
        if (file.fileName().contains(QLatin1String(".conf.lock")))
            continue;
        files[QDir(folder).relativeFilePath(file.fileName())] =
            file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
    }
    return files;
}

// Takes out of files the temporary siblings ("<name>.XXXXXX") of the known files and counts them. A
// replacement is written unnamed, named and then renamed over the file; a kill between the last two
// steps leaves it beside the file, which the program never reads.
void TakeTemporaryFiles(Snapshot& files, const Snapshot& known, QSet<QString>& taken) {
    static const QRegularExpression temporary(QStringLiteral("^(.+)\\.[A-Za-z0-9]{6}$"));
    // The spare an unpack writes its members into, which the next unpack into the folder removes.
    static const QRegularExpression unpackSpare(QStringLiteral("(^|/)\\.lumora-unpack-[a-z0-9]+$"));
    for (auto it = files.begin(); it != files.end();) {
        const QRegularExpressionMatch match = temporary.match(it->first);
        if ((match.hasMatch() && known.contains(match.captured(1)) && !known.contains(it->first)) ||
            unpackSpare.match(it->first).hasMatch()) {
            taken.insert(it->first);
            it = files.erase(it);
        } else {
            ++it;
        }
    }
}

QString Describe(const Snapshot& files) {
    QStringList names;
    for (const auto& [name, bytes] : files)
        names << QStringLiteral("%1 (%2 bytes)").arg(name).arg(bytes.size());
    return names.join(QStringLiteral(", "));
}

// The files of a folder point the program's configuration at it while they are read.
class TConfigFolder {
public:
    explicit TConfigFolder(const QString& folder)
        : m_saved(qgetenv("XDG_CONFIG_HOME")) {
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(folder));
    }
    ~TConfigFolder() { qputenv("XDG_CONFIG_HOME", m_saved); }

private:
    QByteArray m_saved;
};

// What the program makes of a folder's file at its next start; empty when it cannot use it.
QByteArray ProgramReading(const QString& target, const QString& folder) {
    if (target == QLatin1String("settings")) {
        TConfigFolder config(folder);
        TWebCam cam;
        cam.LoadFromRegistry();
        RecordText::Lines lines;
        cam.WriteRecord(lines);
        // The next start writes the key again: a lock left by the killed writer must not stop it.
        if (cam.URL.isEmpty() || !SaveGeneralSettings(true, true, false, 3) ||
            LoadGeneralSettings()->Language != 3)
            return {};
        return RecordText::JoinLines(lines);
    }
    if (target == QLatin1String("customcams")) {
        TCamList cams;
        if (!LoadCustomCamsFile(cams, folder + "/Custom.Cams").isEmpty() || cams.Count() == 0)
            return {};
        return cams.CustomRecordText();
    }
    if (target == QLatin1String("bitmap")) {
        QFile file(folder + "/Pic1.bmp");
        return file.open(QIODevice::ReadOnly) ? DecodeBmp(file.readAll()).ValueOr({}).Pixels : QByteArray();
    }
    if (target == QLatin1String("autostart")) {
        TConfigFolder config(folder);
        return IsRunOnStartup() && SetRunOnStartup(true, QStringLiteral("/usr/bin/lumora")).isEmpty()
                   ? QByteArray("on")
                   : QByteArray();
    }
    return "not read by the program at start";
}

} // namespace

class TestCrashSafety : public QObject {
    Q_OBJECT

    QTemporaryDir m_root;
    QRandomGenerator m_random;

    // Runs the writer to its end: one version of the target in a folder of its own. Returns how many
    // microseconds the write took.
    qint64 WriteOnce(const QString& target, const QString& folder, const char* version) {
        QProcess writer;
        writer.start(QStringLiteral(LUMORA_CRASH_WRITER), {target, folder, QString::fromLatin1(version)});
        const bool ended = writer.waitForFinished(60000) && writer.exitStatus() == QProcess::NormalExit &&
                           writer.exitCode() == 0;
        if (!ended)
            qWarning("writer failed: %s", writer.readAllStandardError().constData());
        return ended ? writer.readAllStandardOutput().trimmed().toLongLong() : -1;
    }

    // Starts a writer that alternates between the two versions, and kills it after a random delay.
    bool KillWhileWriting(const QString& target, const QString& folder, int maxDelayMicroseconds) {
        QProcess writer;
        writer.start(QStringLiteral(LUMORA_CRASH_WRITER), {target, folder, QStringLiteral("cycle")});
        while (!writer.canReadLine()) {
            if (!writer.waitForReadyRead(60000)) {
                qWarning("writer did not start: %s", writer.readAllStandardError().constData());
                return false;
            }
        }
        // The random moment is the point of this test, not a wait for something.
        QThread::usleep(m_random.bounded(maxDelayMicroseconds + 1));
        writer.kill();
        // A writer that ended before the kill failed to write.
        return writer.waitForFinished() && writer.exitStatus() == QProcess::CrashExit;
    }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(m_root.isValid());
        bool given = false;
        const quint32 seed = qEnvironmentVariableIntValue("LUMORA_CRASH_SEED", &given);
        const quint32 used = given ? seed : QRandomGenerator::global()->generate();
        m_random.seed(used);
        qInfo("LUMORA_CRASH_SEED=%u", used);
    }

    void killedWriterLeavesOldOrNew_data() {
        QTest::addColumn<QString>("target");
        // A pack unpacked over an older one may be cut between two files: each file must be whole,
        // but the folder may hold some of each version.
        QTest::addColumn<bool>("filesOneByOne");
        QTest::newRow("settings") << "settings" << false;
        QTest::newRow("custom cams") << "customcams" << false;
        QTest::newRow("messages") << "messages" << false;
        QTest::newRow("autostart entry") << "autostart" << false;
        QTest::newRow("wallpaper bitmap") << "bitmap" << false;
        QTest::newRow("language folder") << "language" << true;
    }

    void killedWriterLeavesOldOrNew() {
        QFETCH(QString, target);
        QFETCH(bool, filesOneByOne);
        const QString base = m_root.filePath(target);
        const QString oldFolder = base + "/old", newFolder = base + "/new", work = base + "/work";
        QVERIFY(WriteOnce(target, oldFolder, "A") >= 0);
        const qint64 newWrite = WriteOnce(target, newFolder, "B");
        QVERIFY(newWrite >= 0);
        // Kills spread over about three writes.
        const int maxDelay = int(std::max<qint64>(1000, newWrite * 3));
        const Snapshot oldFiles = Files(oldFolder), newFiles = Files(newFolder);
        QVERIFY(!oldFiles.empty() && !newFiles.empty() && oldFiles != newFiles);

        QVERIFY(WriteOnce(target, work, "A") >= 0);
        constexpr int Kills = 36;
        int sawNew = 0;
        QSet<QString> strayFiles;
        // On a busy machine a write can take longer than the measured one: kills then go on, with
        // delays growing round by round, until one has come after a new version was in place.
        int kill = 0;
        for (; kill < Kills || (sawNew == 0 && kill < 3 * Kills); ++kill) {
            QVERIFY(KillWhileWriting(target, work, maxDelay << (kill / Kills)));
            Snapshot left = Files(work);
            TakeTemporaryFiles(left, newFiles, strayFiles);
            TakeTemporaryFiles(left, oldFiles, strayFiles);
            const auto failure = [&](const QString& what) {
                return qPrintable(
                    QStringLiteral("after kill %1: %2; left: %3").arg(kill).arg(what, Describe(left)));
            };
            if (!filesOneByOne) {
                QVERIFY2(left == oldFiles || left == newFiles, failure("neither version"));
                sawNew += left == newFiles;
                continue;
            }
            bool someNew = false;
            for (const auto& [name, bytes] : left) {
                const bool isOld = oldFiles.contains(name) && oldFiles.at(name) == bytes;
                const bool isNew = newFiles.contains(name) && newFiles.at(name) == bytes;
                QVERIFY2(isOld || isNew, failure(name + " is no version of its file"));
                someNew = someNew || !isOld;
            }
            sawNew += someNew;
        }
        qInfo("%s: %d kills within %d us, %d after some new file was in place, %d stray temporary files",
              qPrintable(target), kill, maxDelay, sawNew, int(strayFiles.size()));
        // Kills that all came before the first write would prove nothing.
        QVERIFY(sawNew > 0);

        const QByteArray reading = ProgramReading(target, work);
        QVERIFY2(!reading.isEmpty(), "the program cannot use what the kills left");
        QVERIFY(reading == ProgramReading(target, oldFolder) || reading == ProgramReading(target, newFolder));
    }
};

QTEST_GUILESS_MAIN(TestCrashSafety)
#include "tst_crashsafety.moc"
