#include "core/picture/PictureLayout.h"
#include "core/picture/TestPictures.h"

#include <QTest>

namespace {

// Each pixel a different colour: x in red, y in green.
TPicture Numbered(int width, int height) {
    TPicture picture = MakePicture(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            SetColour(picture, x, y, {x, y, 7});
    return picture;
}

const TColour Black{0, 0, 0};

} // namespace

class TestPictureLayout : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void tileWinsOverStretch() {
        QCOMPARE(WallpaperLayout(true, true), TWallpaperLayout::Tiled);
        QCOMPARE(WallpaperLayout(false, true), TWallpaperLayout::Stretched);
        QCOMPARE(WallpaperLayout(false, false), TWallpaperLayout::Centred);
    }

    void centresASmallPictureOnBlack() {
        const TPicture screen = LayOutPicture(Numbered(4, 2), 10, 6, TWallpaperLayout::Centred);
        QCOMPARE(screen.Width, 10);
        QCOMPARE(screen.Height, 6);
        QCOMPARE(ColourAt(screen, 2, 2), Black);
        QCOMPARE(ColourAt(screen, 3, 1), Black);
        QCOMPARE(ColourAt(screen, 3, 2), (TColour{0, 0, 7}));
        QCOMPARE(ColourAt(screen, 6, 3), (TColour{3, 1, 7}));
        QCOMPARE(ColourAt(screen, 7, 3), Black);
        QCOMPARE(ColourAt(screen, 3, 4), Black);
    }

    void centresALargePictureOnItsMiddle() {
        const TPicture screen = LayOutPicture(Numbered(10, 9), 4, 3, TWallpaperLayout::Centred);
        QCOMPARE(ColourAt(screen, 0, 0), (TColour{3, 3, 7}));
        QCOMPARE(ColourAt(screen, 3, 2), (TColour{6, 5, 7}));
    }

    void tilesFromTheTopLeft() {
        const TPicture screen = LayOutPicture(Numbered(3, 2), 8, 5, TWallpaperLayout::Tiled);
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 8; ++x)
                QCOMPARE(ColourAt(screen, x, y), (TColour{x % 3, y % 2, 7}));
    }

    void stretchingKeepsCornersAndFlatAreas_data() {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::newRow("enlarge") << 64 << 48;
        QTest::newRow("shrink a little") << 15 << 11;
        QTest::newRow("shrink a lot") << 3 << 2;
        QTest::newRow("one pixel") << 1 << 1;
    }
    void stretchingKeepsCornersAndFlatAreas() {
        QFETCH(int, width);
        QFETCH(int, height);
        // Left half red, right half blue: far from the border every pixel keeps its colour.
        TPicture picture = FilledPicture(20, 16, {255, 0, 0});
        for (int y = 0; y < 16; ++y)
            for (int x = 10; x < 20; ++x)
                SetColour(picture, x, y, {0, 0, 255});
        const TPicture screen = LayOutPicture(picture, width, height, TWallpaperLayout::Stretched);
        QCOMPARE(screen.Width, width);
        QCOMPARE(screen.Height, height);
        if (width >= 2) {
            QCOMPARE(ColourAt(screen, 0, 0), (TColour{255, 0, 0}));
            QCOMPARE(ColourAt(screen, width - 1, height - 1), (TColour{0, 0, 255}));
        } else {
            const TColour mix = ColourAt(screen, 0, 0);
            QVERIFY(mix.Red > 100 && mix.Blue > 100); // the single pixel averages both halves
        }
    }

    void samePictureSizeIsUntouched() {
        const TPicture picture = Numbered(5, 4);
        for (TWallpaperLayout layout :
             {TWallpaperLayout::Centred, TWallpaperLayout::Tiled, TWallpaperLayout::Stretched})
            QCOMPARE(LayOutPicture(picture, 5, 4, layout).Pixels, picture.Pixels);
    }

    void refusesImpossibleScreens() {
        QVERIFY(LayOutPicture(Numbered(2, 2), 0, 10, TWallpaperLayout::Centred).IsNull());
        QVERIFY(LayOutPicture(Numbered(2, 2), 100000, 100000, TWallpaperLayout::Tiled).IsNull());
        QVERIFY(LayOutPicture(TPicture{}, 10, 10, TWallpaperLayout::Stretched).IsNull());
    }
};

QTEST_GUILESS_MAIN(TestPictureLayout)
#include "tst_picturelayout.moc"
