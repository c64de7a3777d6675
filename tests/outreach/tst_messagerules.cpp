// The rules behind the messages window and the tell-a-friend link, without a screen: what a message
// reply names, how messages.cam lists refids, what OK leads to, and the invitation link.
#include "core/RecordText.h"
#include "outreach/MessageReply.h"
#include "outreach/SuppressedMessages.h"
#include "outreach/TellAFriend.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

bool Write(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace

class TestMessageRules : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    QString m_path;

private Q_SLOTS:
    void init() {
        m_path = m_dir.filePath(QStringLiteral("messages.cam"));
        QFile::remove(m_path);
    }

    void readsTheReply_data() {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<int>("refid");
        QTest::addColumn<QByteArray>("url");
        const QByteArray before = "http://old.example/page.html";
        QTest::addColumn<QByteArray>("previous");
        QTest::newRow("one record") << QByteArray(
                                           "object=message\r\nrefid=7\r\nurl=http://m.example/7\r\nend\r\n")
                                    << 7 << QByteArray("http://m.example/7") << before;
        QTest::newRow("lines trimmed, other records passed over")
            << QByteArray("object=cam\nrefid=99\nurl=x\nend\n  object=message \t\n\trefid=12  \n "
                          "url=http://m/12 \n end\n")
            << 12 << QByteArray("http://m/12") << before;
        QTest::newRow("last refid wins, a record without url keeps the earlier url")
            << QByteArray("object=message\nrefid=3\nurl=http://m/3\nend\nobject=message\nrefid=4\nend\n") << 4
            << QByteArray("http://m/3") << before;
        QTest::newRow("refid 0 names nothing even with a url")
            << QByteArray("object=message\nrefid=0\nurl=http://m/0\nend\n") << 0 << QByteArray("http://m/0")
            << before;
        QTest::newRow("no refid names nothing")
            << QByteArray("object=message\nurl=http://m/1\nend\n") << 0 << QByteArray("http://m/1") << before;
        QTest::newRow("no message record keeps the url") << QByteArray("hello\r\n") << 0 << before << before;
        QTest::newRow("refid not a number: nothing, url kept")
            << QByteArray("object=message\nrefid=7x\nurl=http://m/7\nend\n") << 0 << before << before;
        QTest::newRow("refid too large for 32 bits")
            << QByteArray("object=message\nrefid=4294967296\nurl=http://m/7\nend\n") << 0 << before << before;
        QTest::newRow("record without end: nothing")
            << QByteArray("object=message\nrefid=5\nurl=http://m/5\n") << 0 << before << before;
        QTest::newRow("a sound record before a broken one does not count")
            << QByteArray("object=message\nrefid=5\nend\nobject=message\nrefid=6\n") << 0 << before << before;
        QTest::newRow("opening line last") << QByteArray("object=message") << 0 << before << before;
    }
    void readsTheReply() {
        QFETCH(QByteArray, reply);
        QFETCH(int, refid);
        QFETCH(QByteArray, url);
        QFETCH(QByteArray, previous);
        const TMessageReply read = ReadMessageReply(reply, previous);
        QCOMPARE(read.RefId, refid);
        QCOMPARE(read.Url, url);
    }

    void requestBodyIsPlainConcatenation() {
        QCOMPARE(MessageRequestBody(12, "1.0.0.0"), QByteArray("language=12&version=1.0.0.0"));
    }

    void listsWholeLinesWithoutCase_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("refid");
        QTest::addColumn<bool>("listed");
        QTest::newRow("CR LF lines") << QByteArray("3\r\n17\r\n") << 17 << true;
        QTest::newRow("not a part of a line") << QByteArray("170\r\n") << 17 << false;
        QTest::newRow("lines are not trimmed") << QByteArray(" 17\r\n") << 17 << false;
        QTest::newRow("negative refid") << QByteArray("-4\r\n") << -4 << true;
        QTest::newRow("last line without break") << QByteArray("1\r\n2") << 2 << true;
    }
    void listsWholeLinesWithoutCase() {
        QFETCH(QByteArray, file);
        QFETCH(int, refid);
        QFETCH(bool, listed);
        QVERIFY(Write(m_path, file));
        const std::optional<QList<QByteArray>> lines = SuppressedMessages::Read(m_path);
        QVERIFY(lines);
        QCOMPARE(SuppressedMessages::Lists(*lines, refid), listed);
    }

    void missingFileListsNothingAndIsCreatedOnFirstSuppression() {
        QCOMPARE(SuppressedMessages::Read(m_path), std::optional<QList<QByteArray>>(QList<QByteArray>()));
        QCOMPARE(SuppressedMessages::Suppress(m_path, 8).Error(), QString());
        QCOMPARE(ReadAll(m_path), QByteArray("8\r\n"));
    }

    void suppressionAppendsOnceAndKeepsOtherLines() {
        QVERIFY(Write(m_path, "5\nnote\r\n 9"));
        QCOMPARE(SuppressedMessages::Suppress(m_path, 9).Error(), QString());
        QCOMPARE(SuppressedMessages::Suppress(m_path, 5).Error(), QString());
        QCOMPARE(ReadAll(m_path), QByteArray("5\r\nnote\r\n 9\r\n9\r\n"));
    }

    void unreadableFileIsLeftAlone() {
        if (::geteuid() == 0)
            QSKIP("root reads every file");
        QVERIFY(Write(m_path, "1\r\n"));
        QFile::setPermissions(m_path, QFileDevice::WriteOwner);
        QVERIFY(!SuppressedMessages::Read(m_path));
        QVERIFY(!SuppressedMessages::Suppress(m_path, 2));
        QFile::setPermissions(m_path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        QCOMPARE(ReadAll(m_path), QByteArray("1\r\n"));
    }

    void okOutcomes_data() {
        QTest::addColumn<bool>("noBox");
        QTest::addColumn<bool>("noAllBox");
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<bool>("showMessages");
        QTest::newRow("neither box") << false << false << QByteArray("<none>") << true;
        QTest::newRow("this message") << true << false << QByteArray("31\r\n") << true;
        QTest::newRow("all messages") << false << true << QByteArray("<none>") << false;
        QTest::newRow("both") << true << true << QByteArray("31\r\n") << false;
    }
    void okOutcomes() {
        QFETCH(bool, noBox);
        QFETCH(bool, noAllBox);
        QFETCH(QByteArray, file);
        QFETCH(bool, showMessages);
        const TMessageChoice choice = ApplyMessageChoice(m_path, 31, noBox, noAllBox);
        QCOMPARE(choice.ShowMessages, showMessages);
        QCOMPARE(choice.Suppressed.Error(), QString());
        QCOMPARE(QFile::exists(m_path) ? ReadAll(m_path) : QByteArray("<none>"), file);
    }

    // The directory is gone: the choice of the setting still holds, the failure is told.
    void unwritableFileStillGivesTheSetting() {
        const TMessageChoice choice =
            ApplyMessageChoice(m_dir.filePath(QStringLiteral("gone/messages.cam")), 31, true, true);
        QVERIFY(!choice.Suppressed);
        QCOMPARE(choice.ShowMessages, false);
    }

    void tellAFriendLinkHoldsTheTextsAsTheyStand() {
        QCOMPARE(TellAFriendLink("", ""), QByteArray("mailto:friend@example.com?subject=&body="));
        const QByteArray link =
            TellAFriendLink("Look at this", "Hi,\r\nmy desktop is a 100% live cam & more!");
        QCOMPARE(link,
                 QByteArray("mailto:friend@example.com?subject=Look at this&body=Hi,\r\nmy desktop is a "
                            "100% live cam & more!"));
    }

    // Only what a URI cannot hold is escaped at the hand-over; the desktop gets back the same text.
    void tellAFriendUriEscapesOnlyWhatMustBe() {
        const QByteArray link = TellAFriendLink("Caf\xe9 cams", "Line 1\r\n50% \"off\"");
        const QUrl uri = TellAFriendUri(link);
        QVERIFY(uri.isValid());
        QCOMPARE(uri.toEncoded(),
                 QByteArray("mailto:friend@example.com?subject=Caf%C3%A9%20cams&body=Line%201%0D%0A"
                            "50%25%20%22off%22"));
        QCOMPARE(QUrl::fromPercentEncoding(uri.toEncoded()),
                 QString::fromUtf8("mailto:friend@example.com?"
                                   "subject=Café cams&body=Line 1\r\n50% \"off\""));
    }
};

QTEST_GUILESS_MAIN(TestMessageRules)
#include "tst_messagerules.moc"
