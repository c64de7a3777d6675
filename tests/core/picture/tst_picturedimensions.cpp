// A picture's size read from its header alone must be the size its decoder gives, whatever the
// header's kind, and nothing for a header that is cut short or claims an impossible size.
#include "core/picture/PictureDecoders.h"
#include "core/picture/PictureEncoders.h"
#include "core/picture/WholePicture.h"

#include <QTest>
#include <QtEndian>

namespace {

// The picture's first segment after its start marker becomes an APP1 segment holding a frame header
// of another size, as an embedded thumbnail carries one.
QByteArray WithThumbnail(const QByteArray& jpeg) {
    const QByteArray thumbnailFrame(
        "\xff\xc0\x00\x11\x08\x00\x10\x00\x20\x03\x01\x22\x00\x02\x11\x01\x03\x11\x01", 19);
    const QByteArray app1 = QByteArray("\xff\xe1\x00", 3) + char(2 + thumbnailFrame.size()) + thumbnailFrame;
    return jpeg.left(2) + app1 + jpeg.mid(2);
}

// A bitmap stored top-down: its header's height is negative.
QByteArray TopDown(QByteArray bmp) {
    const qint32 height = -qFromLittleEndian<qint32>(bmp.constData() + 22);
    qToLittleEndian(height, bmp.data() + 22);
    return bmp;
}

} // namespace

class TestPictureDimensions : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void headerGivesTheDecodedSize_data();
    void headerGivesTheDecodedSize();
    void badHeadersGiveNothing_data();
    void badHeadersGiveNothing();
};

void TestPictureDimensions::headerGivesTheDecodedSize_data() {
    QTest::addColumn<QByteArray>("file");
    const TPicture picture = MakePicture(123, 45);
    QTest::newRow("jpeg") << EncodeJpeg(picture);
    QTest::newRow("jpeg with a thumbnail") << WithThumbnail(EncodeJpeg(picture));
    QTest::newRow("gif") << EncodeGif(picture);
    QTest::newRow("bmp") << EncodeBmp(picture);
    QTest::newRow("bmp top-down") << TopDown(EncodeBmp(picture));
}

void TestPictureDimensions::headerGivesTheDecodedSize() {
    QFETCH(QByteArray, file);
    const TResult<TPicture> decoded = file.startsWith("BM")    ? DecodeBmp(file)
                                      : file.startsWith("GIF") ? DecodeGif(file)
                                                               : DecodeJpeg(file);
    QVERIFY(decoded);
    QCOMPARE(PictureDimensions(file), std::optional<QSize>(QSize(decoded->Width, decoded->Height)));
}

void TestPictureDimensions::badHeadersGiveNothing_data() {
    QTest::addColumn<QByteArray>("file");
    const QByteArray jpeg = EncodeJpeg(MakePicture(16, 16));
    QTest::newRow("jpeg cut before its frame") << jpeg.left(jpeg.indexOf("\xff\xc0"));
    QByteArray huge = EncodeBmp(MakePicture(4, 4));
    qToLittleEndian<qint32>(100000, huge.data() + 18);
    QTest::newRow("bmp wider than any picture") << huge;
    QTest::newRow("png") << QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16);
    QTest::newRow("html") << QByteArray("<html>a web page</html>");
}

void TestPictureDimensions::badHeadersGiveNothing() {
    QFETCH(QByteArray, file);
    QCOMPARE(PictureDimensions(file), std::nullopt);
}

QTEST_GUILESS_MAIN(TestPictureDimensions)
#include "tst_picturedimensions.moc"
