#include "catalogue/CatalogueRequest.h"
#include "platform/SettingsKey.h"

#include <QFile>
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
        key->WriteInteger(QStringLiteral("RefID"), 12);
        key->Close();
        QCOMPARE(StoredActiveRefID(), 12);
    }

    void hostComesFromTheEnvironment() {
        qunsetenv("LUMORA_CATALOGUE_HOST");
        QCOMPARE(CatalogueServer::Host(), QByteArray(LUMORA_DEFAULT_CATALOGUE_HOST));
        qputenv("LUMORA_CATALOGUE_HOST", "cams.example");
        QCOMPARE(CatalogueServer::ScriptUrl(CatalogueServer::CatalogueScript),
                 QByteArray("http://cams.example/lmr/camlist3.php"));
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
