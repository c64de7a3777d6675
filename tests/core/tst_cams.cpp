#include "core/CatalogueRequest.h"
#include "core/SettingsKey.h"
#include "core/UCams.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

TCamList ListFrom(const QByteArray& text) {
    TCamList list;
    list.LoadFromLines(RecordText::SplitLines(text));
    return list;
}

// The catalogue reply's way: the whole text read in place, each record's lines at once.
TCamList ListFromText(const QByteArray& text) {
    TCamList list;
    list.LoadFromText(text);
    return list;
}

QList<qint32> RefIDs(const TCamList& list) {
    QList<qint32> ids;
    for (const TWebCamPtr& cam : list)
        ids << cam->RefID;
    return ids;
}

TWebCamPtr AddCam(TCamList& list, const QByteArray& name, qint32 refid,
                  const QByteArray& category = "Custom") {
    TWebCamPtr cam = list.Add();
    cam->Name = name;
    cam->RefID = refid;
    cam->Category = category;
    return cam;
}

} // namespace

class TestCams : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void appliesRefreshDefaults_data() {
        QTest::addColumn<QByteArray>("record");
        QTest::addColumn<int>("refresh");
        QTest::newRow("no refresh line") << QByteArray("url=u") << 0;
        QTest::newRow("empty value") << QByteArray("refresh=") << 60;
        QTest::newRow("not a number") << QByteArray("refresh=soon") << 60;
        QTest::newRow("negative kept") << QByteArray("refresh=-5") << -5;
        QTest::newRow("zero kept") << QByteArray("refresh=0") << 0;
        QTest::newRow("too large for 32 bits") << QByteArray("refresh=99999999999") << 60;
        QTest::newRow("last line wins") << QByteArray("refresh=10\nrefresh=20") << 20;
    }
    void appliesRefreshDefaults() {
        QFETCH(QByteArray, record);
        QFETCH(int, refresh);
        const TCamList list = ListFrom("object=cam\n" + record + "\nend\n");
        QCOMPARE(list.Count(), 1);
        QCOMPARE(list.Items(0)->Refresh, refresh);
    }

    void readsFieldsExactly_data() {
        QTest::addColumn<bool>("inPlace");
        QTest::newRow("lines") << false;
        QTest::newRow("whole text") << true;
    }
    void readsFieldsExactly() {
        QFETCH(bool, inPlace);
        const QByteArray text = "object=cam\nrefid=12\nurl=http://h/c.jpg?a=1&b=2\nname= Harbour \n"
                                "description=d\ncategory=Sea\nwebpage=http://h/\ncountry=Norway\n"
                                " name=ignored\nName=ignored\nname=\nname=Harbour\nend\n";
        const TCamList list = inPlace ? ListFromText(text) : ListFrom(text);
        QCOMPARE(list.Count(), 1);
        const TWebCam& cam = *list.Items(0);
        QCOMPARE(cam.RefID, 12);
        QCOMPARE(cam.URL, QByteArray("http://h/c.jpg?a=1&b=2"));
        QCOMPARE(cam.Name, QByteArray("Harbour"));
        QCOMPARE(cam.Description, QByteArray("d"));
        QCOMPARE(cam.Category, QByteArray("Sea"));
        QCOMPARE(cam.Webpage, QByteArray("http://h/"));
        QCOMPARE(cam.Country, QByteArray("Norway"));
    }

    void numbersCamsWithoutRefID_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QList<qint32>>("ids");
        QTest::newRow("zero, text, missing")
            << QByteArray("object=cam\nrefid=0\nend\nobject=cam\nrefid=x\nend\n"
                          "object=cam\nend\n")
            << QList<qint32>{-1, -2, -3};
        QTest::newRow("positive numbers kept")
            << QByteArray("object=cam\nrefid=5\nend\nobject=cam\nrefid=7\nend\n"
                          "object=cam\nend\n")
            << QList<qint32>{5, 7, -1};
        QTest::newRow("below the smallest")
            << QByteArray("object=cam\nrefid=-4\nend\nobject=cam\nrefid=9\nend\n"
                          "object=cam\nend\n")
            << QList<qint32>{-4, 9, -5};
        QTest::newRow("lowest number does not overflow")
            << QByteArray("object=cam\nrefid=-2147483648\nend\nobject=cam\nend\n")
            << QList<qint32>{std::numeric_limits<qint32>::min(), std::numeric_limits<qint32>::min()};
    }
    void numbersCamsWithoutRefID() {
        QFETCH(QByteArray, text);
        QFETCH(QList<qint32>, ids);
        QCOMPARE(RefIDs(ListFrom(text)), ids);
        QCOMPARE(RefIDs(ListFromText(text)), ids);
    }

    // A reply of 60,000 cams, nearly all without a number: each gets the smallest so far minus one,
    // and a number the reply gives on the way is the new smallest.
    void numbersALargeReplyBelowTheSmallest() {
        constexpr int Count = 60000;
        constexpr int Given = 30000;
        QByteArray text = "object=cam\nrefid=-3\nend\n";
        for (int i = 0; i < Count; ++i)
            text +=
                i == Given ? QByteArray("object=cam\nrefid=-100000\nend\n") : QByteArray("object=cam\nend\n");
        const QList<qint32> ids = RefIDs(ListFrom(text));
        QCOMPARE(ids.size(), Count + 1);
        QCOMPARE(ids.first(), -3);
        for (int i = 0; i < Count; ++i) {
            const qint32 expected = i < Given ? -4 - i : -100000 - (i - Given);
            if (ids.at(i + 1) != expected)
                QFAIL(qPrintable(
                    QStringLiteral("cam %1 has %2, not %3").arg(i).arg(ids.at(i + 1)).arg(expected)));
        }
    }

    void newNumbersFollowAddsAndDeletes() {
        TCamList list;
        AddCam(list, "a", -1);
        AddCam(list, "b", -2);
        TWebCamPtr added = AddCam(list, "c", 0);
        added->RefID = list.NewRefID();
        QCOMPARE(added->RefID, -3);
        // The number just given is taken, even before the next cam joins.
        QCOMPARE(list.NewRefID(), -4);
        list.DeleteByRefID(-3);
        QCOMPARE(list.NewRefID(), -3);
        AddCam(list, "d", -50);
        QCOMPARE(list.NewRefID(), -51);
    }

    void customCamsRoundTrip() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Custom.Cams"));
        TCamList list;
        for (const char* name : {"A", "B", "C"}) {
            TWebCamPtr cam = AddCam(list, name, 40, "Custom");
            cam->URL = "http://h/" + QByteArray(name) + ".jpg";
            cam->Refresh = -5;
        }
        AddCam(list, "not custom", 3, "custom");
        QVERIFY(list.SaveCustom(path).isEmpty());

        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        QVERIFY(bytes.startsWith(
            "object=cam\r\nrefid=0\r\nurl=http://h/A.jpg\r\nname=A\r\ndescription=\r\n"
            "refresh=-5\r\ncategory=Custom\r\nwebpage=\r\ncountry=\r\nend\r\n\r\nobject=cam\r\n"));
        QCOMPARE(bytes.count("object=cam"), 3);

        TCamList reread;
        QVERIFY(LoadCustomCamsFile(reread, path).isEmpty());
        reread.LoadFromLines(RecordText::SplitLines("object=cam\nname=server cam\nend\n"));
        QCOMPARE(RefIDs(reread), (QList<qint32>{-1, -2, -3, -4}));
        QCOMPARE(reread.Items(2)->Name, QByteArray("C"));
        QCOMPARE(reread.Items(2)->Refresh, -5);
    }

    void savesEmptyFileWithoutCustomCams() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Custom.Cams"));
        TCamList list;
        AddCam(list, "server", 1, "Sea");
        QVERIFY(list.SaveCustom(path).isEmpty());
        QCOMPARE(QFileInfo(path).size(), 0);
    }

    void failedSaveKeepsPreviousFile() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Custom.Cams"));
        TCamList list;
        AddCam(list, "A", -1);
        QVERIFY(list.SaveCustom(path).isEmpty());
        const QByteArray before = list.CustomRecordText();

        // A directory that refuses new files makes the write fail before the old file is touched.
        QVERIFY(QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner));
        AddCam(list, "B", -2);
        const QString error = list.SaveCustom(path);
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        if (error.isEmpty())
            QSKIP("running with permission to write anywhere");
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), before);
        QCOMPARE(list.Count(), 2);
    }

    void findsAndDeletesSharedNumbers() {
        TCamList list;
        AddCam(list, "first", 8);
        AddCam(list, "other", 2);
        AddCam(list, "second", 8);
        QCOMPARE(list.FindByRefID(8)->Name, QByteArray("first"));
        QVERIFY(!list.FindByRefID(99));
        list.DeleteByRefID(8);
        QCOMPARE(list.Count(), 2);
        QCOMPARE(list.Items(1)->Name, QByteArray("other"));
        list.DeleteByRefID(99);
        QCOMPARE(list.Count(), 2);
    }

    void deletedCamStaysValidForItsHolders() {
        TCamList list;
        TWebCamPtr held = AddCam(list, "held", -1);
        list.DeleteByRefID(-1);
        QCOMPARE(held->Name, QByteArray("held"));
    }

    void newCustomName_data() {
        QTest::addColumn<QList<QByteArray>>("taken");
        QTest::addColumn<QByteArray>("name");
        QTest::newRow("empty list") << QList<QByteArray>{} << QByteArray("Custom Cam 1");
        QTest::newRow("gap") << QList<QByteArray>{"Custom Cam 1", "Custom Cam 3"}
                             << QByteArray("Custom Cam 2");
        QTest::newRow("case differs") << QList<QByteArray>{"custom cam 1"} << QByteArray("Custom Cam 1");
        QTest::newRow("other spellings of 1")
            << QList<QByteArray>{"Custom Cam 01", "Custom Cam +1", "Custom Cam 1 "}
            << QByteArray("Custom Cam 1");
        QList<QByteArray> many;
        for (int n = 20000; n >= 1; --n) {
            if (n != 777)
                many << "Custom Cam " + QByteArray::number(n);
        }
        QTest::newRow("20,000 titles, one free") << many << QByteArray("Custom Cam 777");
        many << "Custom Cam 777";
        QTest::newRow("all taken") << many << QByteArray("Custom Cam 20001");
    }
    void newCustomName() {
        QFETCH(QList<QByteArray>, taken);
        QFETCH(QByteArray, name);
        TCamList list;
        for (const QByteArray& title : taken)
            AddCam(list, title, -1);
        QCOMPARE(list.NewCustomName(), name);
    }

    void addsCountriesIgnoringCase() {
        TCamList list;
        for (const char* country : {"Norway", "norway", "", "Chile", ""})
            list.Add()->Country = country;
        QStringList countries{QStringLiteral("All Countries"), QString(), QStringLiteral("CHILE")};
        list.AddCountries(countries);
        QCOMPARE(countries, (QStringList{QStringLiteral("All Countries"), QString(), QStringLiteral("CHILE"),
                                         QStringLiteral("Norway")}));
    }

    void addsManyCountriesOnceEach() {
        TCamList list;
        for (int i = 0; i < 20000; ++i)
            list.Add()->Country = "Land " + QByteArray::number(i);
        for (int i = 0; i < 20000; i += 100)
            list.Add()->Country = "LAND " + QByteArray::number(i);
        list.Add()->Country = "Caf\xe9"; // Windows-1252 bytes
        QStringList countries;
        list.AddCountries(countries);
        QCOMPARE(countries.size(), 20001);
        QCOMPARE(countries.at(19999), QStringLiteral("Land 19999"));
        QCOMPARE(countries.last(), QStringLiteral("Caf\u00e9"));
    }

    void registryRoundTrip() {
        TWebCam cam;
        cam.SaveToRegistry();
        QVERIFY2(!TSettingsKey::Exists(), "saving must not create the key");
        cam.URL = "http://h/a.jpg";
        cam.LoadFromRegistry();
        QCOMPARE(cam.URL, QByteArray("http://h/a.jpg"));

        QVERIFY(TSettingsKey::Open(TSettingsKey::OpenMode::CreateIfMissing));
        cam = TWebCam{"u", "Ñame", "d", "Chile", "Custom", 30, "w", -3};
        cam.SaveToRegistry();
        TWebCam loaded;
        loaded.LoadFromRegistry();
        QCOMPARE(loaded.RefID, -3);
        QCOMPARE(loaded.Name, QByteArray("Ñame"));
        QCOMPARE(loaded.Refresh, 30);
        QCOMPARE(loaded.Webpage, QByteArray("w"));

        TSettingsKey::Open()->Delete(Settings::CamName);
        TWebCam partial;
        partial.Name = "kept";
        partial.LoadFromRegistry();
        QCOMPARE(partial.Name, QByteArray("kept"));
        QCOMPARE(partial.URL, QByteArray("u"));
    }
};

QTEST_APPLESS_MAIN(TestCams)
#include "tst_cams.moc"
