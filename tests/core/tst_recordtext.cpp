#include "core/RecordText.h"

#include <QTest>

using RecordText::Lines;
using RecordText::ReadMode;

namespace {

// Reads every record of a kind and renders what the reader saw: "[" at each opening, then the
// key lines of the record joined by "|". The copying reader, the one over line views and the one over
// the whole text must all see the same.
template <typename Lines> QByteArray Trace(const Lines& lines, const QByteArray& kind, ReadMode mode) {
    QByteArray trace;
    RecordText::ReadRecords(
        lines, kind, mode, [&] { trace += '['; },
        [&](QByteArrayView line) {
            trace += line.toByteArray() + '|';
            return true;
        });
    return trace;
}

} // namespace

class TestRecordText : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void splitsLines_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<Lines>("lines");
        QTest::newRow("empty") << QByteArray() << Lines{};
        QTest::newRow("crlf") << QByteArray("a\r\nb\r\n") << Lines{"a", "b"};
        QTest::newRow("lf") << QByteArray("a\nb") << Lines{"a", "b"};
        QTest::newRow("cr alone") << QByteArray("a\rb\r") << Lines{"a", "b"};
        QTest::newRow("empty line between crlf") << QByteArray("a\r\n\r\nb") << Lines{"a", "", "b"};
        QTest::newRow("lf cr is two breaks") << QByteArray("a\n\rb") << Lines{"a", "", "b"};
        QTest::newRow("nul ends text") << QByteArray("a\r\nb\0c\r\nd", 9) << Lines{"a", "b"};
        QTest::newRow("byte order mark kept")
            << QByteArray("\xEF\xBB\xBFobject=cam") << Lines{"\xEF\xBB\xBFobject=cam"};
        QTest::newRow("single break") << QByteArray("\r\n") << Lines{""};
    }
    void splitsLines() {
        QFETCH(QByteArray, text);
        QFETCH(Lines, lines);
        QCOMPARE(RecordText::SplitLines(text), lines);
        const RecordText::LineViews views = RecordText::SplitLineViews(text);
        QCOMPARE(views.size(), lines.size());
        for (qsizetype i = 0; i < views.size(); ++i)
            QCOMPARE(views.at(i).toByteArray(), lines.at(i));
    }

    void splitsKeyAndValue_data() {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QByteArray>("key");
        QTest::addColumn<QByteArray>("value");
        QTest::newRow("plain") << QByteArray("name=Harbour") << QByteArray("name") << QByteArray("Harbour");
        QTest::newRow("value with = and &") << QByteArray("url=http://h/p.jpg?a=1&b=2") << QByteArray("url")
                                            << QByteArray("http://h/p.jpg?a=1&b=2");
        QTest::newRow("empty value") << QByteArray("refresh=") << QByteArray("refresh") << QByteArray();
        QTest::newRow("no equals") << QByteArray("just text") << QByteArray() << QByteArray("just text");
        QTest::newRow("blanks stay") << QByteArray(" name = x ") << QByteArray(" name ") << QByteArray(" x ");
    }
    void splitsKeyAndValue() {
        QFETCH(QByteArray, line);
        QFETCH(QByteArray, key);
        QFETCH(QByteArray, value);
        QCOMPARE(RecordText::RecordKey(line), key);
        QCOMPARE(RecordText::RecordValue(line), value);
    }

    void readsRecords_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("mode");
        QTest::addColumn<QByteArray>("trace");
        const int exact = int(ReadMode::Exact);
        const int trimmed = int(ReadMode::Trimmed);
        QTest::newRow("empty text") << QByteArray() << exact << QByteArray();
        QTest::newRow("single opening line") << QByteArray("object=cam") << exact << QByteArray();
        QTest::newRow("single opening line and break")
            << QByteArray("object=cam\r\n") << exact << QByteArray();
        QTest::newRow("empty record") << QByteArray("object=cam\r\nend\r\n") << exact << QByteArray("[");
        QTest::newRow("two records") << QByteArray("object=cam\na=1\nend\nobject=cam\nb=2\nend") << exact
                                     << QByteArray("[a=1|[b=2|");
        QTest::newRow("other kinds and outside lines skipped")
            << QByteArray("x=1\nobject=language\nz=0\nend\nobject=cam\na=1\nend\ny") << exact
            << QByteArray("[a=1|");
        QTest::newRow("case of kind and end matters")
            << QByteArray("Object=cam\na=0\nend\nobject=CAM\nb=0\nend\nobject=cam\nc=1\nEnd\nd=2\nend")
            << exact << QByteArray("[c=1|End|d=2|");
        QTest::newRow("unclosed record runs to the end")
            << QByteArray("object=cam\na=1\nb=2") << exact << QByteArray("[a=1|b=2|");
        QTest::newRow("records do not nest") << QByteArray("object=cam\nobject=cam\na=1\nend\nb=2\nend")
                                             << exact << QByteArray("[object=cam|a=1|");
        QTest::newRow("exact: trailing blank opens nothing")
            << QByteArray("object=cam \na=1\nend") << exact << QByteArray();
        QTest::newRow("exact: trailing blank does not close")
            << QByteArray("object=cam\na=1\nend \nb=2\nend") << exact << QByteArray("[a=1|end |b=2|");
        QTest::newRow("trimmed: blanks and controls stripped")
            << QByteArray("\t object=cam \x01\n  a = 1 \nend  \n") << trimmed << QByteArray("[a = 1|");
        QTest::newRow("cr alone reads like crlf")
            << QByteArray("object=cam\ra=1\rend\r") << exact << QByteArray("[a=1|");
        QTest::newRow("text after nul unread")
            << QByteArray("object=cam\na=1\0\nb=2\nend", 23) << exact << QByteArray("[a=1|");
    }
    void readsRecords() {
        QFETCH(QByteArray, text);
        QFETCH(int, mode);
        QFETCH(QByteArray, trace);
        QCOMPARE(Trace(RecordText::SplitLines(text), "cam", ReadMode(mode)), trace);
        QCOMPARE(Trace(RecordText::SplitLineViews(text), "cam", ReadMode(mode)), trace);
        QCOMPARE(Trace(text, "cam", ReadMode(mode)), trace);
    }

    void handlerCanStopReading() {
        int seen = 0;
        RecordText::ReadRecords(
            RecordText::SplitLines("object=w\na=1\nb=2\nend\nobject=w\nc=3\nend"), "w", ReadMode::Trimmed,
            [] {}, [&](const QByteArray&) { return ++seen < 2; });
        QCOMPARE(seen, 2);
        seen = 0;
        RecordText::ReadRecords(
            QByteArray("object=w\na=1\nb=2\nend\nobject=w\nc=3\nend"), "w", ReadMode::Trimmed, [] {},
            [&](QByteArrayView) { return ++seen < 2; });
        QCOMPARE(seen, 2);
    }

    void writesRecordsWithCrLf() {
        Lines lines;
        RecordText::WriteRecord(lines, "cam", {{"refid", "0"}, {"url", "http://x/a=b"}});
        QCOMPARE(RecordText::JoinLines(lines),
                 QByteArray("object=cam\r\nrefid=0\r\nurl=http://x/a=b\r\nend\r\n"));
        QCOMPARE(RecordText::SplitLines(RecordText::JoinLines(lines)), lines);
    }
};

QTEST_APPLESS_MAIN(TestRecordText)
#include "tst_recordtext.moc"
