#include "core/CatalogueRequest.h"
#include "core/SettingsKey.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

class TestCatalogueRequest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void buildsTheBody_data() {
        QTest::addColumn<int>("refid");
        QTest::addColumn<QByteArray>("body");
        QTest::newRow("no cam") << 0 << QByteArray("language=3&computer=ID");
        QTest::newRow("custom cam") << -2 << QByteArray("language=3&computer=ID");
        QTest::newRow("catalogue cam") << 12 << QByteArray("language=3&computer=ID&refid=12");
    }
    void buildsTheBody() {
        QFETCH(int, refid);
        QFETCH(QByteArray, body);
        QCOMPARE(CatalogueRequestBody(3, "ID", refid), body);
    }

    void readsTheStoredRefID() {
        QCOMPARE(StoredActiveRefID(), 0);
        auto key = TSettingsKey::Open(TSettingsKey::OpenMode::CreateIfMissing);
        QCOMPARE(StoredActiveRefID(), 0);
        key->Write(Settings::CamRefID, 12);
        key->Close();
        QCOMPARE(StoredActiveRefID(), 12);
    }

    void hostComesFromTheEnvironment() {
        qunsetenv("LUMORA_CATALOGUE_HOST");
        QCOMPARE(CatalogueServer::Host(), QByteArray(LUMORA_DEFAULT_CATALOGUE_HOST));
        qputenv("LUMORA_CATALOGUE_HOST", "cams.example");
        QCOMPARE(CatalogueServer::ScriptUrl(CatalogueServer::CatalogueScript),
                 QByteArray("http://cams.example/lmr/camlist3.php"));
        qputenv("LUMORA_CATALOGUE_HOST", "HTTPS://cams.example:8443");
        QCOMPARE(CatalogueServer::ScriptUrl(CatalogueServer::CatalogueScript),
                 QByteArray("HTTPS://cams.example:8443/lmr/camlist3.php"));
        qunsetenv("LUMORA_CATALOGUE_HOST");
    }

    void customCamsComeFirst() {
        QTemporaryDir dir;
        const QString customPath = dir.filePath(QStringLiteral("Custom.Cams"));
        QFile custom(customPath);
        QVERIFY(custom.open(QIODevice::WriteOnly));
        custom.write("object=cam\r\nrefid=0\r\nname=Mine\r\ncategory=Custom\r\nend\r\n\r\n"
                     "object=cam\r\nrefid=0\r\nname=Also mine\r\ncategory=Custom\r\nend\r\n\r\n");
        custom.close();

        TCamList cams;
        TLanguageList languages;
        LoadCustomCamsFile(cams, customPath);
        ReadCatalogueRecords(
            "object=cam\nname=Unnumbered\nend\nobject=language\nname=English\nlanguagepack=http://h/0.pak\n"
            "packversion=3\nend\nobject=cam\nrefid=40\nname=Numbered\nend\nobject=cam\nname=Also "
            "unnumbered\nend\n"
            "object=language\nrefid=1\nname=Deutsch\npackversion=soon\nend\nobject=language\nrefid=1\nname="
            "Dup\nend\n",
            cams, languages);
        QList<qint32> ids;
        for (const TWebCamPtr& cam : cams)
            ids << cam->RefID;
        QCOMPARE(ids, (QList<qint32>{-1, -2, -3, 40, -4}));
        QCOMPARE(cams.Items(0)->Name, QByteArray("Mine"));

        QCOMPARE(languages.Count(), 3);
        QCOMPARE(languages.Items(0).refid, 0);
        QCOMPARE(languages.Items(0).packversion, 3);
        QCOMPARE(languages.Items(0).languagepack, QByteArray("http://h/0.pak"));
        QCOMPARE(languages.Find(1)->name, QByteArray("Deutsch"));
        QCOMPARE(languages.Find(1)->packversion, 0);
        QVERIFY(!languages.Find(7));
    }

    // A custom cams file the reader cannot use is moved aside, never left for the next save to
    // overwrite; the cams it could read before a NUL byte stay in the list.
    void unreadableCustomCamsAreKeptAside_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("camsRead");
        QTest::newRow("not record text") << QByteArray("\x89PNG\r\n\x1a\nrubbish") << 0;
        QTest::newRow("nul after a cam")
            << QByteArray("object=cam\nname=Kept\nend\n") + '\0' + QByteArray("object=cam\nname=Lost\nend\n")
            << 1;
    }

    void unreadableCustomCamsAreKeptAside() {
        QFETCH(QByteArray, bytes);
        QFETCH(int, camsRead);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Custom.Cams"));
        QFile earlier(path + QStringLiteral(".broken"));
        QVERIFY(earlier.open(QIODevice::WriteOnly));
        earlier.close();
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        file.close();

        TCamList cams;
        const QString keptAs = LoadCustomCamsFile(cams, path);
        QCOMPARE(keptAs, path + QStringLiteral(".broken.2"));
        QCOMPARE(cams.Count(), camsRead);
        QVERIFY(!QFileInfo::exists(path));
        QFile kept(keptAs);
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), bytes);

        QVERIFY(cams.SaveCustom(path).isEmpty());
        QCOMPARE(LoadCustomCamsFile(cams, path), QString());
    }

    void blankCustomCamsFileIsJustEmpty() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Custom.Cams"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("\r\n  \r\n");
        file.close();
        TCamList cams;
        QCOMPARE(LoadCustomCamsFile(cams, path), QString());
        QVERIFY(QFileInfo::exists(path));
    }

    void replyWithoutRecordsKeepsOnlyCustomCams() {
        TCamList cams;
        TLanguageList languages;
        LoadCustomCamsFile(cams, QStringLiteral("/nonexistent/Custom.Cams"));
        ReadCatalogueRecords("<html>busy</html>", cams, languages);
        QCOMPARE(cams.Count(), 0);
        QCOMPARE(languages.Count(), 0);
    }
};

QTEST_GUILESS_MAIN(TestCatalogueRequest)
#include "tst_cataloguerequest.moc"
