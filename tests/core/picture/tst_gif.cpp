#include "core/picture/PictureDecoders.h"
#include "core/picture/PictureEncoders.h"
#include "core/picture/TestPictures.h"
#include "widgets/PictureImage.h"

#include <QTest>
#include <gif_lib.h>
#include <vector>

namespace {

struct TFrame {
    int Left = 0, Top = 0, Width = 0, Height = 0;
    bool Interlace = false;
    int Transparent = -1;
    std::vector<GifPixelType> Indices; // Width * Height, top row first
};

int Append(GifFileType* gif, const GifByteType* bytes, int count) {
    static_cast<QByteArray*>(gif->UserData)->append(reinterpret_cast<const char*>(bytes), count);
    return count;
}

// Four colours: 0 black, 1 red, 2 green, 3 blue. Interlaced frames are written in pass order.
QByteArray GifWithFrames(int screenWidth, int screenHeight, int background,
                         const std::vector<TFrame>& frames) {
    const GifColorType colours[] = {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
    QByteArray result;
    int error = 0;
    GifFileType* gif = EGifOpen(&result, Append, &error);
    EGifSetGifVersion(gif, true);
    ColorMapObject* map = GifMakeMapObject(4, colours);
    EGifPutScreenDesc(gif, screenWidth, screenHeight, 8, background, map);
    for (const TFrame& frame : frames) {
        if (frame.Transparent >= 0) {
            GraphicsControlBlock control{DISPOSAL_UNSPECIFIED, false, 10, frame.Transparent};
            GifByteType extension[4];
            EGifGCBToExtension(&control, extension);
            EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, extension);
        }
        EGifPutImageDesc(gif, frame.Left, frame.Top, frame.Width, frame.Height, frame.Interlace, nullptr);
        std::vector<int> order;
        if (frame.Interlace) {
            for (int pass = 0, starts[] = {0, 4, 2, 1}, steps[] = {8, 8, 4, 2}; pass < 4; ++pass)
                for (int y = starts[pass]; y < frame.Height; y += steps[pass])
                    order.push_back(y);
        } else {
            for (int y = 0; y < frame.Height; ++y)
                order.push_back(y);
        }
        for (int y : order)
            EGifPutLine(gif, const_cast<GifPixelType*>(frame.Indices.data()) + y * frame.Width, frame.Width);
    }
    GifFreeMapObject(map);
    EGifCloseFile(gif, &error);
    return result;
}

// Row y of the frame holds colour index 1 + y % 3: red, green, blue stripes.
TFrame StripedFrame(int left, int top, int width, int height) {
    TFrame frame{left, top, width, height, false, -1, {}};
    for (int y = 0; y < height; ++y)
        frame.Indices.insert(frame.Indices.end(), std::size_t(width), GifPixelType(1 + y % 3));
    return frame;
}

TColour StripeColour(int row) {
    static const TColour colours[] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
    return colours[row % 3];
}

} // namespace

class TestGif : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void roundTripKeepsFewColoursExactly() {
        TPicture picture = FilledPicture(37, 21, {10, 20, 30});
        for (int x = 0; x < 37; ++x)
            SetColour(picture, x, x % 21, {x * 7, 255 - x, 3});
        const TResult<TPicture> decoded = DecodeGif(EncodeGif(picture));
        QVERIFY(decoded);
        QCOMPARE(decoded->Width, 37);
        QCOMPARE(decoded->Height, 21);
        QCOMPARE(decoded->Pixels, picture.Pixels);
    }

    void roundTripReducesManyColours() {
        const TPicture picture = GradientPicture(300, 200);
        const TResult<TPicture> decoded = DecodeGif(EncodeGif(picture));
        QVERIFY2(decoded, qPrintable(decoded.Error()));
        // The colour cube's widest step is 51: no channel may be further off than half of it.
        QVERIFY(MaxDifference(picture, *decoded) <= 26);
    }

    void placesTheFirstFrameOnTheScreen_data() {
        QTest::addColumn<bool>("interlace");
        QTest::newRow("in order") << false;
        QTest::newRow("interlaced") << true;
    }
    void placesTheFirstFrameOnTheScreen() {
        QFETCH(bool, interlace);
        TFrame first = StripedFrame(2, 3, 5, 11);
        first.Interlace = interlace;
        first.Transparent = 2; // the green stripes let the background through
        const TFrame second = StripedFrame(0, 0, 10, 20);
        const TResult<TPicture> decoded = DecodeGif(GifWithFrames(10, 20, 3, {first, second}));
        QVERIFY(decoded);
        QCOMPARE(decoded->Width, 10);
        QCOMPARE(decoded->Height, 20);
        const TColour background{0, 0, 255};
        QCOMPARE(ColourAt(*decoded, 0, 0), background);
        QCOMPARE(ColourAt(*decoded, 9, 19), background);
        // On the screen, what the first frame leaves uncovered or transparent is see-through.
        const QImage shown = PictureImage(*decoded);
        for (int y = 0; y < 11; ++y) {
            const TColour expected = y % 3 == 1 ? background : StripeColour(y);
            QCOMPARE(ColourAt(*decoded, 2, 3 + y), expected);
            QCOMPARE(ColourAt(*decoded, 6, 3 + y), expected);
            QCOMPARE(qAlpha(shown.pixel(2, 3 + y)), y % 3 == 1 ? 0 : 255);
        }
        QCOMPARE(ColourAt(*decoded, 7, 3), background);
        QCOMPARE(qAlpha(shown.pixel(0, 0)), 0);
    }

    void refusesBrokenFiles_data() {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QString>("reason");
        const QByteArray good = EncodeGif(GradientPicture(64, 64));
        QByteArray noImage("GIF89a\x04\x00\x04\x00\x00\x00\x00;", 14);
        QTest::newRow("empty") << QByteArray() << "broken GIF";
        QTest::newRow("not a GIF") << QByteArray("\xff\xd8\xff\xe0 a JPEG") << "broken GIF";
        QTest::newRow("screen without an image") << noImage << "without an image";
        QTest::newRow("cut in the picture data") << good.left(good.size() / 2) << "broken GIF";
        QTest::newRow("cut after the screen") << good.left(13) << "broken GIF";
        QTest::newRow("screen of 65535 x 65535")
            << GifWithFrames(65535, 65535, 0, {StripedFrame(0, 0, 4, 4)}) << "refused";
        QTest::newRow("frame beyond the screen")
            << GifWithFrames(4, 4, 0, {StripedFrame(65000, 65000, 500, 500)}) << "refused";
    }
    void refusesBrokenFiles() {
        QFETCH(QByteArray, data);
        QFETCH(QString, reason);
        const TResult<TPicture> decoded = DecodeGif(data);
        QVERIFY2(!decoded && decoded.Error().contains(reason), qPrintable(decoded.Error()));
    }
};

QTEST_GUILESS_MAIN(TestGif)
#include "tst_gif.moc"
