// The administration commands of lumora-server, run as the real program.
#include "PostgresCluster.h"
#include "ServerHarness.h"
#include "StoreLocation.h"
#include "TestDatabase.h"

#include <QDir>
#include <QRandomGenerator>
#include <QTest>

namespace {

// A language directory whose pack is the given size or so: random bytes do not compress.
QString LanguageDirectory(const QString& name, const QByteArray& version, int fillerBytes, quint32 seed = 1) {
    const QString dir = ScratchPath(name);
    QDir(dir).removeRecursively();
    WriteScratchFile(name + QStringLiteral("/properties.cam"),
                     "object=global\r\nversion=" + version +
                         "\r\nend\r\nobject=mainform\r\ncountry=Land\r\nend\r\n");
    QByteArray filler(fillerBytes, Qt::Uninitialized);
    QRandomGenerator random(seed);
    for (char& c : filler)
        c = char(random.bounded(256));
    WriteScratchFile(name + QStringLiteral("/mainform/background.bmp"), filler);
    return dir;
}

const QByteArray CamFile =
    "object=cam\r\nrefid=10\r\nurl=http://a.example/a.jpg?x=1&y=2\r\nname=A\r\n"
    "description=first\r\nrefresh=30\r\ncategory=Skies\r\nwebpage=\r\ncountry=Norway\r\nend\r\n"
    "object=cam\r\nurl=http://b.example/b.gif\r\nname=B\r\nrefresh=x\r\nend\r\n"
    "object=cam\r\nrefid=11\r\nurl=http://c.example/c.bmp\r\nname=C\r\nend\r\n";

} // namespace

class TestServerAdmin : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void usage_data();
    void usage();
    void badDatabase_data();
    void badDatabase();
    void importExportRoundTrip();
    void malformedImportChangesNothing_data();
    void malformedImportChangesNothing();
    void reviewSuggestions();
    void addLanguage();
    void listAndRetireMessages();
};

void TestServerAdmin::usage_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::newRow("nothing") << QStringList{} << 2;
    QTest::newRow("overview") << QStringList{"--help"} << 0;
    QTest::newRow("unknown command") << QStringList{"grow"} << 2;
    QTest::newRow("command help") << QStringList{"import-cams", "--help"} << 0;
    QTest::newRow("serve help") << QStringList{"serve", "--help"} << 0;
    QTest::newRow("unknown option") << QStringList{"serve", "--colour", "red"} << 2;
    QTest::newRow("missing value") << QStringList{"export-cams", "--db"} << 2;
    QTest::newRow("missing id") << QStringList{"approve"} << 2;
    QTest::newRow("id not a number") << QStringList{"approve", "seven", "--db", ScratchPath("u.db")} << 1;
    QTest::newRow("bad listen address")
        << QStringList{"serve", "--listen", "here", "--db", ScratchPath("u.db")} << 1;
    // A server that was asked for TLS never falls back to serving in the clear.
    QTest::newRow("certificate without its key")
        << QStringList{"serve", "--tls-cert", WriteScratchFile("c.pem", "-----BEGIN CERTIFICATE-----"),
                       "--db", ScratchPath("u.db")}
        << 1;
    QTest::newRow("certificate that is none") << QStringList{"serve",
                                                             "--tls-cert",
                                                             WriteScratchFile("n.pem", "none"),
                                                             "--tls-key",
                                                             WriteScratchFile("n.key", "none"),
                                                             "--db",
                                                             ScratchPath("u.db")}
                                              << 1;
}

void TestServerAdmin::usage() {
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    const TCommandResult result = RunServerCommand(arguments);
    QCOMPARE(result.ExitCode, exitCode);
    if (exitCode == 0)
        QVERIFY(result.Out.startsWith("usage: lumora-server"));
    else
        QVERIFY(!result.Err.isEmpty());
}

void TestServerAdmin::badDatabase_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QByteArray>("content"); // written to the path first unless null
    if (TestingPostgres()) {
        QTest::newRow("nobody listens")
            << QStringLiteral("postgresql://lumora@127.0.0.1:1/c") << QByteArray();
        QTest::newRow("no such database") << TestCluster().Uri(QStringLiteral("nosuch")) << QByteArray();
        QTest::newRow("malformed address")
            << QStringLiteral("postgres://lumora@127.0.0.1:port/c") << QByteArray();
        return;
    }
    QTest::newRow("missing folder") << ScratchPath("no/such/folder/c.db") << QByteArray();
    QTest::newRow("not a database") << ScratchPath("text.db") << QByteArray(4096, 'x');
    QTest::newRow("a folder") << ScratchPath(QString()) << QByteArray();
}

void TestServerAdmin::badDatabase() {
    QFETCH(QString, path);
    QFETCH(QByteArray, content);
    if (!content.isNull())
        WriteScratchFile(QFileInfo(path).fileName(), content);
    for (const QStringList& command :
         {QStringList{"export-cams"}, QStringList{"suggestions"}, QStringList{"demo"}}) {
        const TCommandResult result = RunServerCommand(command + QStringList{"--db", path});
        QCOMPARE(result.ExitCode, 1);
        QVERIFY2(result.Err.contains("database"), result.Err.constData());
    }
    if (!content.isNull()) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), content); // a file that is not a catalogue is left alone
    }
}

void TestServerAdmin::importExportRoundTrip() {
    const QString db = FreshDatabase("roundtrip.db");
    const QString file = WriteScratchFile("cams.txt", CamFile);
    TCommandResult result = RunServerCommand({"import-cams", file, "--db", db});
    QCOMPARE(result.ExitCode, 0);
    QVERIFY(result.Out.contains("imported 3 cams (1 with new numbers)"));

    result = RunServerCommand({"export-cams", "--db", db});
    QCOMPARE(result.ExitCode, 0);
    const QByteArray exported = result.Out;
    // The cam without a number got one above every number given so far.
    QVERIFY(
        exported.contains("object=cam\r\nrefid=12\r\nurl=http://b.example/b.gif\r\nname=B\r\ndescription=\r\n"
                          "refresh=60\r\n"));
    QVERIFY(exported.contains("url=http://a.example/a.jpg?x=1&y=2\r\n"));

    const QString copy = FreshDatabase("copy.db");
    const QString exportFile = ScratchPath("export.txt");
    QCOMPARE(RunServerCommand({"export-cams", "--db", db, "--output", exportFile}).ExitCode, 0);
    QCOMPARE(RunServerCommand({"import-cams", exportFile, "--db", copy, "--replace"}).ExitCode, 0);
    QCOMPARE(RunServerCommand({"export-cams", "--db", copy}).Out, exported);

    // --replace makes the file the whole catalogue; numbers are still never given twice.
    const QString one = WriteScratchFile("one.txt", "object=cam\r\nurl=http://d.example/d.jpg\r\nend\r\n");
    QCOMPARE(RunServerCommand({"import-cams", one, "--db", copy, "--replace"}).ExitCode, 0);
    QCOMPARE(RunServerCommand({"export-cams", "--db", copy}).Out,
             QByteArray("object=cam\r\nrefid=13\r\nurl=http://d.example/d.jpg\r\nname=\r\ndescription=\r\n"
                        "refresh=0\r\ncategory=\r\nwebpage=\r\ncountry=\r\nend\r\n"));
}

void TestServerAdmin::malformedImportChangesNothing_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QByteArray>("reason");
    QTest::newRow("no records") << QByteArray("url=http://x/\r\nname=loose lines\r\n")
                                << QByteArray("no cam record");
    QTest::newRow("NUL byte") << QByteArray("object=cam\r\nurl=http://x/\x00\r\nend\r\n", 31)
                              << QByteArray("NUL");
    QTest::newRow("cam without url") << CamFile + "object=cam\r\nname=Nowhere\r\nend\r\n"
                                     << QByteArray("no url");
    QTest::newRow("missing file") << QByteArray() << QByteArray("cannot read");
}

void TestServerAdmin::malformedImportChangesNothing() {
    QFETCH(QByteArray, content);
    QFETCH(QByteArray, reason);
    const QString db = FreshDatabase("malformed.db");
    QCOMPARE(RunServerCommand({"import-cams", WriteScratchFile("good.txt", CamFile), "--db", db}).ExitCode,
             0);
    const QByteArray before = RunServerCommand({"export-cams", "--db", db}).Out;
    const QString file = content.isNull() ? ScratchPath("missing.txt") : WriteScratchFile("bad.txt", content);
    const TCommandResult result = RunServerCommand({"import-cams", file, "--db", db, "--replace"});
    QCOMPARE(result.ExitCode, 1);
    QVERIFY2(result.Err.contains(reason), result.Err.constData());
    QCOMPARE(RunServerCommand({"export-cams", "--db", db}).Out, before);
}

void TestServerAdmin::reviewSuggestions() {
    const QString db = FreshDatabase("review.db");
    QCOMPARE(RunServerCommand({"import-cams", WriteScratchFile("good.txt", CamFile), "--db", db}).ExitCode,
             0);
    {
        const std::unique_ptr<TCatalogueStore> store = OpenStore(db);
        TSuggestion s;
        s.Title = "Tom & Jerry=fun";
        s.Source = "http://s.example/p.jpg";
        s.Refresh = "45";
        s.Country = "Chile";
        store->AddSuggestion(s); // 1
        s.Source.clear();
        store->AddSuggestion(s); // 2: nothing to show
        s.Title = "line\r\nbreak";
        s.Source = "http://s.example/q.jpg";
        store->AddSuggestion(s); // 3
    }
    TCommandResult result = RunServerCommand({"approve", "1", "--db", db, "--category", "Visitors"});
    QCOMPARE(result.ExitCode, 0);
    QVERIFY2(result.Out.contains("suggestion 1 is cam 13"), result.Out.constData());
    const QByteArray cams = RunServerCommand({"export-cams", "--db", db}).Out;
    QVERIFY(cams.contains("refid=13\r\nurl=http://s.example/p.jpg\r\nname=Tom & Jerry=fun\r\ndescription=\r\n"
                          "refresh=45\r\ncategory=Visitors\r\nwebpage=\r\ncountry=Chile\r\nend\r\n"));

    const struct {
        QStringList Arguments;
        QByteArray Complaint;
    } refusals[] = {
        {{"approve", "1"}, "already approved"},          {{"reject", "1"}, "already approved"},
        {{"approve", "2"}, "no picture address"},        {{"approve", "99"}, "there is no suggestion 99"},
        {{"reject", "-4"}, "there is no suggestion -4"},
    };
    for (const auto& refusal : refusals) {
        result = RunServerCommand(refusal.Arguments + QStringList{"--db", db});
        QCOMPARE(result.ExitCode, 1);
        QVERIFY2(result.Err.contains(refusal.Complaint), result.Err.constData());
    }
    QCOMPARE(RunServerCommand({"reject", "2", "--db", db}).ExitCode, 0);

    result = RunServerCommand({"suggestions", "--db", db});
    QCOMPARE(result.ExitCode, 0);
    QVERIFY(result.Out.startsWith("object=suggestion\r\nid=3\r\nstatus=new\r\n"));
    QVERIFY(result.Out.contains("title=line\\x0D\\x0Abreak\r\n")); // one value, one line
    QVERIFY(!result.Out.contains("id=1\r\n"));
    result = RunServerCommand({"suggestions", "--status", "all", "--db", db});
    QCOMPARE(result.Out.count("object=suggestion"), 3);
    QVERIFY(result.Out.contains("id=1\r\nstatus=approved\r\n"));
    QVERIFY(result.Out.contains("camrefid=13\r\n"));
    QCOMPARE(RunServerCommand({"suggestions", "--status", "maybe", "--db", db}).ExitCode, 1);
}

void TestServerAdmin::addLanguage() {
    const QString db = FreshDatabase("languages.db");
    const auto add = [&](const QString& dir) {
        return RunServerCommand(
            {"add-language", "--refid", "2", "--name", "Deutsch", "--dir", dir, "--db", db});
    };
    TCommandResult result = add(LanguageDirectory("small", "1", 2000));
    QCOMPARE(result.ExitCode, 1);
    QVERIFY2(result.Err.contains("20000"), result.Err.constData());
    result = add(LanguageDirectory("noversion", "x", 30000));
    QCOMPARE(result.ExitCode, 1);
    QVERIFY(result.Err.contains("version"));

    QCOMPARE(add(LanguageDirectory("v2", "2", 30000)).ExitCode, 0);
    result = add(LanguageDirectory("v2", "2", 30000));
    QCOMPARE(result.ExitCode, 0);
    QVERIFY(result.Out.contains("unchanged"));
    // Other files under today's version, or an older one: the version grows by itself, or the clients
    // that have today's pack would never fetch the new one.
    result = add(LanguageDirectory("v2other", "2", 30000, 7));
    QCOMPARE(result.ExitCode, 0);
    QVERIFY2(result.Out.contains("pack version 3, raised from 2"), result.Out.constData());
    result = add(LanguageDirectory("v1", "1", 30000));
    QVERIFY2(result.Out.contains("pack version 4, raised from 3"), result.Out.constData());
    // A version above today's is offered as it is.
    result = RunServerCommand({"add-language", "--refid", "2", "--name", "Deutsch", "--dir",
                               LanguageDirectory("v9", "1", 30000, 9), "--packversion", "9", "--db", db});
    QVERIFY2(result.Out.contains("pack version 9 ("), result.Out.constData());

    const std::unique_ptr<TCatalogueStore> store = OpenStore(db);
    const std::optional<TStoredLanguage> language = store->Language(2);
    QVERIFY(language);
    QCOMPARE(language->PackVersion, 9);
    QCOMPARE(language->PackUrl, QByteArray("/packs/lang2-v9.pak"));
    QVERIFY(store->Pack(2, 9).value_or(QByteArray()).size() > 20000);
    QVERIFY(!store->Pack(2, 4));

    result = RunServerCommand({"add-language", "--refid", "2", "--name", "D", "--db", db});
    QCOMPARE(result.ExitCode, 1);
}

// Messages are listed with their scope, retired one by one, and a retired one is no longer offered.
void TestServerAdmin::listAndRetireMessages() {
    const QString db = FreshDatabase("messages.db");
    const QString page = WriteScratchFile("news.html", "<p>news</p>");
    QCOMPARE(RunServerCommand({"set-message", "--url", "http://m.example/all.html", "--db", db}).ExitCode, 0);
    QCOMPARE(RunServerCommand({"set-message", "--language", "2", "--page", page, "--db", db}).ExitCode, 0);

    TCommandResult listed = RunServerCommand({"messages", "--db", db});
    QCOMPARE(listed.ExitCode, 0);
    QList<QByteArray> lines = listed.Out.trimmed().split('\n');
    QCOMPARE(lines.size(), 2);
    QVERIFY2(
        lines.at(0).startsWith("1\tin force\tevery language\tevery version\thttp://m.example/all.html\t"),
        lines.at(0).constData());
    QVERIFY2(lines.at(1).startsWith("2\tin force\tlanguage 2\tevery version\tpage /messages/2.html\t"),
             lines.at(1).constData());

    QCOMPARE(RunServerCommand({"retire-message", "2", "--db", db}).ExitCode, 0);
    const TCommandResult again = RunServerCommand({"retire-message", "2", "--db", db});
    QCOMPARE(again.ExitCode, 1);
    QVERIFY(again.Err.contains("no message 2"));
    QCOMPARE(RunServerCommand({"retire-message", "two", "--db", db}).ExitCode, 1);

    lines = RunServerCommand({"messages", "--db", db}).Out.trimmed().split('\n');
    QCOMPARE(lines.size(), 1);
    lines = RunServerCommand({"messages", "--all", "--db", db}).Out.trimmed().split('\n');
    QCOMPARE(lines.size(), 2);
    QVERIFY(lines.at(1).startsWith("2\tretired\t"));

    // Language 2 now gets the message for every language.
    TRunningServer server;
    QVERIFY(server.Start(db));
    QVERIFY(Post(server.Port(), "/lmr/cam_message.php", "language=2&version=1.0.0.0")
                .Body.contains("url=http://m.example/all.html"));
}

QTEST_GUILESS_MAIN(TestServerAdmin)
#include "tst_server_admin.moc"
