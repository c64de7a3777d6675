#include "core/DisplayText.h"

#include <QTest>

class TestDisplayText : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void readsEitherEncoding_data();
    void readsEitherEncoding();
    void everySingleByteGivesOneCharacter();
};

void TestDisplayText::readsEitherEncoding_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("shown");
    QTest::newRow("ascii") << QByteArray("Webcams") << QStringLiteral("Webcams");
    QTest::newRow("utf-8") << QByteArray("Z\xC3\xBCrich \xE2\x82\xAC") << QStringLiteral(u"Zürich €");
    QTest::newRow("latin-1 byte") << QByteArray("Z\xFCrich") << QStringLiteral(u"Zürich");
    QTest::newRow("windows-1252 quotes and euro")
        << QByteArray("\x93Hi\x94 \x80 \x9F") << QStringLiteral(u"“Hi” € Ÿ");
    // One stray byte makes the whole text single-byte, never a mix with replacement characters.
    QTest::newRow("utf-8 with a stray byte") << QByteArray("\xC3\xBC \xE9") << QStringLiteral(u"Ã¼ é");
    QTest::newRow("truncated sequence") << QByteArray("caf\xC3") << QStringLiteral(u"cafÃ");
    QTest::newRow("overlong encoding is not utf-8") << QByteArray("\xC0\xAF") << QStringLiteral(u"À¯");
    QTest::newRow("empty") << QByteArray() << QString();
}

void TestDisplayText::readsEitherEncoding() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, shown);
    QCOMPARE(DisplayText(bytes), shown);
    // Written into a block of bytes.size() characters, as the tree gathers its texts.
    QString block(bytes.size(), u'?');
    const QChar* end = AppendDisplayText(block.data(), bytes);
    QCOMPARE(QStringView(block.constData(), end), QStringView(shown));
}

void TestDisplayText::everySingleByteGivesOneCharacter() {
    for (int code = 0x80; code < 0x100; ++code) {
        const QString text = DisplayText(QByteArray(1, char(code)));
        QCOMPARE(text.size(), 1);
        QVERIFY2(text.at(0) != QChar::ReplacementCharacter, qPrintable(QString::number(code, 16)));
    }
}

QTEST_APPLESS_MAIN(TestDisplayText)
#include "tst_displaytext.moc"
