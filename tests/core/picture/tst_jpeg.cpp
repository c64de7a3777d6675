#include "core/picture/PictureDecoders.h"
#include "core/picture/PictureEncoders.h"
#include "core/picture/TestPictures.h"

#include <QTest>
#include <csetjmp>
#include <cstdio>
#include <jpeglib.h>
#include <memory>
#include <vector>

namespace {

// A JPEG in a colour space the program's own encoder does not write: grey, or CMYK with Adobe's
// inverted values. Every pixel gets the same sample values.
QByteArray PlainJpeg(J_COLOR_SPACE space, std::vector<JSAMPLE> samples, int width, int height) {
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* output = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &output, &size);
    info.image_width = JDIMENSION(width);
    info.image_height = JDIMENSION(height);
    info.input_components = int(samples.size());
    info.in_color_space = space;
    jpeg_set_defaults(&info);
    if (space == JCS_CMYK)
        info.write_Adobe_marker = TRUE;
    jpeg_set_quality(&info, 95, TRUE);
    jpeg_start_compress(&info, TRUE);
    std::vector<JSAMPLE> row;
    for (int x = 0; x < width; ++x)
        row.insert(row.end(), samples.begin(), samples.end());
    while (info.next_scanline < info.image_height) {
        JSAMPROW rows[] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    QByteArray result(reinterpret_cast<const char*>(output), qsizetype(size));
    free(output);
    return result;
}

// Rewrites the frame header's size fields (the first SOF0 marker).
QByteArray WithFrameSize(QByteArray jpeg, quint16 width, quint16 height) {
    const qsizetype marker = jpeg.indexOf(QByteArray("\xff\xc0", 2));
    if (marker < 0)
        return {};
    qToBigEndian(height, jpeg.data() + marker + 5);
    qToBigEndian(width, jpeg.data() + marker + 7);
    return jpeg;
}

} // namespace

class TestJpeg : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void roundTripKeepsSizeAndColours_data() {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::newRow("one pixel") << 1 << 1;
        QTest::newRow("odd size, partial blocks") << 17 << 9;
        QTest::newRow("one column, partial blocks") << 1 << 203;
        QTest::newRow("camera size") << 640 << 480;
    }
    void roundTripKeepsSizeAndColours() {
        QFETCH(int, width);
        QFETCH(int, height);
        const TPicture original = GradientPicture(width, height);
        const QByteArray jpeg = EncodeJpeg(original, 95);
        QVERIFY(jpeg.startsWith("\xff\xd8"));
        const TResult<TPicture> decoded = DecodeJpeg(jpeg);
        QVERIFY2(decoded, qPrintable(decoded.Error()));
        QCOMPARE(decoded->Width, width);
        QCOMPARE(decoded->Height, height);
        QVERIFY(!decoded->IsNull());
        QVERIFY2(MeanDifference(original, *decoded) < 3.0,
                 qPrintable(QString::number(MeanDifference(original, *decoded))));
    }

    void keepsRedAndBlueApart() {
        const TPicture red = FilledPicture(16, 16, {230, 10, 20});
        const TResult<TPicture> decoded = DecodeJpeg(EncodeJpeg(red, 95));
        QVERIFY(decoded);
        const TColour centre = ColourAt(*decoded, 8, 8);
        QVERIFY(centre.Red > 200 && centre.Blue < 50);
    }

    void decodesOtherColourSpaces_data() {
        QTest::addColumn<QByteArray>("jpeg");
        QTest::addColumn<TColour>("colour");
        QTest::newRow("grey") << PlainJpeg(JCS_GRAYSCALE, {128}, 24, 16) << TColour{128, 128, 128};
        // Adobe stores CMYK inverted: 255 means no ink. No ink but full yellow (0 stored) and no black
        // gives yellow.
        QTest::newRow("cmyk yellow") << PlainJpeg(JCS_CMYK, {255, 255, 0, 255}, 24, 16)
                                     << TColour{255, 255, 0};
    }
    void decodesOtherColourSpaces() {
        QFETCH(QByteArray, jpeg);
        QFETCH(TColour, colour);
        const TResult<TPicture> decoded = DecodeJpeg(jpeg);
        QVERIFY2(decoded, qPrintable(decoded.Error()));
        QCOMPARE(decoded->Width, 24);
        const TColour centre = ColourAt(*decoded, 12, 8);
        QVERIFY2(std::abs(centre.Red - colour.Red) < 4 && std::abs(centre.Green - colour.Green) < 4 &&
                     std::abs(centre.Blue - colour.Blue) < 4,
                 std::unique_ptr<char[]>(QTest::toString(centre)).get());
    }

    void refusesBrokenFiles_data() {
        const QByteArray good = EncodeJpeg(GradientPicture(320, 240), 90);
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QString>("reason");
        QTest::newRow("empty") << QByteArray() << "empty";
        QTest::newRow("not a JPEG") << QByteArray("GIF89a and more text") << "broken JPEG";
        QTest::newRow("header only") << good.left(20) << "broken JPEG";
        QTest::newRow("cut in the middle") << good.left(good.size() / 2) << "truncated";
        QTest::newRow("last bytes of the scan missing") << good.left(good.size() - 12) << "truncated";
        QTest::newRow("end marker missing") << good.left(good.size() - 2) << "";
        QTest::newRow("frame of 60000 x 60000") << WithFrameSize(good, 60000, 60000) << "refused";
        QTest::newRow("frame of 0 x 0") << WithFrameSize(good, 0, 0) << "broken JPEG";
    }
    void refusesBrokenFiles() {
        QFETCH(QByteArray, data);
        QFETCH(QString, reason);
        const TResult<TPicture> decoded = DecodeJpeg(data);
        if (reason.isEmpty()) {
            // Only the final marker is missing: every pixel arrived, libjpeg tolerates it and so do we.
            QVERIFY2(decoded, qPrintable(decoded.Error()));
            return;
        }
        QVERIFY(!decoded);
        QVERIFY2(decoded.Error().contains(reason), qPrintable(decoded.Error()));
    }

    // A preview asks for a size: the decoder gives the smallest reduction that still covers it.
    void decodesReducedToWhatIsAskedFor_data() {
        QTest::addColumn<QSize>("atLeast");
        QTest::addColumn<QSize>("decoded");
        QTest::newRow("whole when nothing is asked") << QSize() << QSize(1920, 1080);
        QTest::newRow("an eighth") << QSize(240, 135) << QSize(240, 135);
        QTest::newRow("a quarter, one pixel more") << QSize(241, 135) << QSize(480, 270);
        QTest::newRow("half") << QSize(900, 500) << QSize(960, 540);
        QTest::newRow("larger than the picture") << QSize(4000, 3000) << QSize(1920, 1080);
    }
    void decodesReducedToWhatIsAskedFor() {
        QFETCH(QSize, atLeast);
        QFETCH(QSize, decoded);
        const TResult<TPicture> picture = DecodeJpeg(EncodeJpeg(GradientPicture(1920, 1080)), atLeast);
        QVERIFY(picture);
        QCOMPARE(QSize(picture->Width, picture->Height), decoded);
    }

    void encodesNothingForANullPicture() { QVERIFY(EncodeJpeg(TPicture{}).isEmpty()); }
};

QTEST_GUILESS_MAIN(TestJpeg)
#include "tst_jpeg.moc"
