// The language file's scanning rules, the installed pack's version and the rule that decides
// whether a pack is downloaded.
#include "core/LanguageFile.h"
#include "core/LanguageList.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Texts a table of three keys received, as "key:text" in the order applied.
QStringList Applied(const QByteArray& file, const QByteArray& block) {
    QStringList applied;
    TTextTable table;
    for (const QByteArray key : {"country", "korvex_url", "stretch_hint"})
        table.Add(key, [&applied, key](const QByteArray& text) {
            applied << QString::fromLatin1(key + ':' + text);
        });
    table.LoadTexts(RecordText::SplitLines(file), block);
    return applied;
}

void Write(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

} // namespace

class TestLanguageFile : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void scanning_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QStringList>("applied");
        QTest::newRow("opener on the last line applies nothing")
            << QByteArray("country=x\r\nobject=mainform") << QStringList();
        QTest::newRow("key line trimmed, text keeps inner blanks and further =")
            << QByteArray("object=mainform\r\n  korvex_url=http://a/?b=c d \t\r\nend")
            << QStringList{"korvex_url:http://a/?b=c d"};
        QTest::newRow("blank after the key makes it unknown; no = is ignored")
            << QByteArray("object=mainform\ncountry =Land\ncountry\nstretch_hint=\nend\n")
            << QStringList{"stretch_hint:"};
        QTest::newRow("text keeps its leading blanks")
            << QByteArray("object=mainform\ncountry=  Land\nend") << QStringList{"country:  Land"};
        QTest::newRow("unknown keys and other blocks are ignored")
            << QByteArray("object=camform\ncountry=Pays\nend\nobject=mainform\nhint=x\nend") << QStringList();
        QTest::newRow("unclosed block runs through later blocks to the end")
            << QByteArray("object=mainform\ncountry=Land\nobject=camform\ncountry=Pays\nend\ncountry=late")
            << QStringList{"country:Land", "country:Pays"};
        QTest::newRow("repeated blocks all applied in file order")
            << QByteArray("object=mainform\ncountry=A\nend\nobject=mform\ncountry=B\nend\n"
                          "object=mainform\ncountry=C\nend")
            << QStringList{"country:A", "country:C"};
        QTest::newRow("opener compared trimmed and exactly")
            << QByteArray("  object=mainform \ncountry=A\nend\nobject=MainForm\ncountry=B\nend\n"
                          "object=mainform2\ncountry=C\nend")
            << QStringList{"country:A"};
    }
    void scanning() {
        QFETCH(QByteArray, file);
        QFETCH(QStringList, applied);
        QCOMPARE(Applied(file, "mainform"), applied);
    }

    void packVersion_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("version");
        QTest::newRow("none") << QByteArray("object=mainform\nversion=4\nend") << 0;
        QTest::newRow("trimmed") << QByteArray(" object=global \n  version=7  \nend") << 7;
        QTest::newRow("first line of a block counts")
            << QByteArray("object=global\nversion=3\nversion=9\nend") << 3;
        QTest::newRow("last block counts")
            << QByteArray("object=global\nversion=3\nend\nobject=global\nversion=2\nend") << 2;
        QTest::newRow("unclosed block read to the end") << QByteArray("object=global\nx=1\nversion=5") << 5;
        QTest::newRow("opener on the last line") << QByteArray("version=5\nobject=global") << 0;
        QTest::newRow("not a number counts as no version")
            << QByteArray("object=global\nversion=v2\nend") << 0;
        QTest::newRow("negative") << QByteArray("object=global\nversion=-2\nend") << -2;
    }
    void packVersion() {
        QFETCH(QByteArray, file);
        QFETCH(int, version);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("properties.cam"));
        Write(path, file);
        QCOMPARE(LanguageFile::ReadPackVersion(path), version);
    }

    void downloadNeeded_data() {
        QTest::addColumn<QByteArray>("installed"); // empty: no language file
        QTest::addColumn<QByteArray>("shipped");   // with the program; empty: none
        QTest::addColumn<bool>("offered");
        QTest::addColumn<int>("serverVersion");
        QTest::addColumn<bool>("needed");
        const QByteArray v3 = "object=global\nversion=3\nend";
        QTest::newRow("missing file") << QByteArray() << QByteArray() << true << 0 << true;
        QTest::newRow("equal version") << v3 << QByteArray() << true << 3 << false;
        QTest::newRow("greater version") << v3 << QByteArray() << true << 4 << true;
        QTest::newRow("smaller version") << v3 << QByteArray() << true << 2 << false;
        QTest::newRow("no local version, server 0")
            << QByteArray("object=mainform\nend") << QByteArray() << true << 0 << false;
        QTest::newRow("no local version, server 1")
            << QByteArray("object=mainform\nend") << QByteArray() << true << 1 << true;
        QTest::newRow("shipped in the offered version") << QByteArray() << v3 << true << 3 << false;
        QTest::newRow("shipped in an older version") << QByteArray() << v3 << true << 4 << true;
        QTest::newRow("not offered, missing file") << QByteArray() << QByteArray() << false << 9 << false;
    }
    void downloadNeeded() {
        QFETCH(QByteArray, installed);
        QFETCH(QByteArray, shipped);
        QFETCH(bool, offered);
        QFETCH(int, serverVersion);
        QFETCH(bool, needed);
        QTemporaryDir dir, program;
        if (!installed.isEmpty())
            Write(dir.filePath(QStringLiteral("properties.cam")), installed);
        if (!shipped.isEmpty())
            Write(program.filePath(QStringLiteral("properties.cam")), shipped);
        TWebLanguage language;
        language.packversion = serverVersion;
        QCOMPARE(LanguageFile::PackDownloadNeeded(dir.path(), offered ? &language : nullptr, program.path()),
                 needed);
    }

    void dataDirectoryFirstThenProgramDirectory() {
        QTemporaryDir data, program;
        QCOMPARE(LanguageFile::FindLanguageFile(data.path(), program.path()), QString());
        // A data language directory without a language file falls back to the program's.
        QDir(data.path()).mkpath(QStringLiteral("mainform"));
        Write(program.filePath(QStringLiteral("properties.cam")), "p");
        QCOMPARE(LanguageFile::FindLanguageFile(data.path(), program.path()),
                 program.filePath(QStringLiteral("properties.cam")));
        Write(data.filePath(QStringLiteral("properties.cam")), "d");
        QCOMPARE(LanguageFile::FindLanguageFile(data.path(), program.path()),
                 data.filePath(QStringLiteral("properties.cam")));
    }

    void packFileName_data() {
        QTest::addColumn<QByteArray>("address");
        QTest::addColumn<QByteArray>("name");
        QTest::newRow("slashes") << QByteArray("http://host/packs/de.pak") << QByteArray("de.pak");
        QTest::newRow("backslash") << QByteArray("http://host/a\\b.pak") << QByteArray("b.pak");
        QTest::newRow("colon after the path") << QByteArray("http://host/x:y.pak") << QByteArray("y.pak");
        QTest::newRow("ends in a separator") << QByteArray("http://host/") << QByteArray();
    }
    void packFileName() {
        QFETCH(QByteArray, address);
        QFETCH(QByteArray, name);
        QCOMPARE(LanguageFile::PackFileName(address), name);
    }
};

QTEST_GUILESS_MAIN(TestLanguageFile)
#include "tst_languagefile.moc"
