#include "core/pack/MemberFileWriter.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void WriteAll(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

} // namespace

class TestMemberFileWriter : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // A content that failed halfway stays in the spare; the next file written through it must not
    // keep any of its tail, and the failed file must not appear.
    void failedContentLeavesNothingBehind() {
        QTemporaryDir folder;
        const QString kept = folder.filePath("kept.txt");
        WriteAll(kept, "old");
        TMemberFileWriter writer;
        const QString error = writer.Write(folder.filePath("failed.txt"), [](const auto& sink) {
            return sink(QByteArray(5000, 'x').constData(), 5000) && false;
        });
        QVERIFY(!error.isEmpty());
        QCOMPARE(writer.Write(kept, [](const auto& sink) { return sink("new", 3); }), QString());
        QCOMPARE(ReadAll(kept), QByteArray("new"));
        QVERIFY(!QFile::exists(folder.filePath("failed.txt")));
    }

    // Replacing files one after another in several folders: each ends with exactly its content, and
    // once the writer is gone only the files themselves are left, also of an unpack cut off before.
    void replacesFilesAndLeavesNoSpare() {
        QTemporaryDir folder;
        QDir(folder.path()).mkpath("sub");
        const QStringList names{"a.txt", "sub/b.txt", "c.txt", "sub/d.txt"};
        for (const QString& name : names)
            WriteAll(folder.filePath(name), QByteArray(3000, name.at(0).toLatin1()));
        WriteAll(folder.filePath("sub/.lumora-unpack-cutoff"), "left by a crash");
        {
            TMemberFileWriter writer;
            for (int round = 0; round < 2; ++round) {
                for (const QString& name : names) {
                    const QByteArray content = name.toUtf8().repeated(round + 1);
                    QCOMPARE(writer.Write(
                                 folder.filePath(name),
                                 [&](const auto& sink) { return sink(content.constData(), content.size()); }),
                             QString());
                    QCOMPARE(ReadAll(folder.filePath(name)), content);
                }
            }
        }
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), (QStringList{"a.txt", "c.txt"}));
        QCOMPARE(QDir(folder.filePath("sub")).entryList(QDir::Files | QDir::Hidden),
                 (QStringList{"b.txt", "d.txt"}));
    }
};

QTEST_GUILESS_MAIN(TestMemberFileWriter)
#include "tst_memberfilewriter.moc"
