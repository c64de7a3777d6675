#include "app/USplashForm.h"
#include "core/picture/PictureEncoders.h"
#include "outreach/UAttentionForm.h"
#include "widgets/ImgBtn.h"
#include "widgets/Skins.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>

// On a screen scaled by two the windows show their built-in pictures drawn at twice the density,
// in the same logical layout; on an ordinary screen they show the pictures they always did. A
// language's skin does the same where it has pictures for dense screens, and is scaled where not.
// The test runs on a screen scaled by two unless QT_SCALE_FACTOR says otherwise.
class TestDenseScreens : public QObject {
    Q_OBJECT

    // The picture at half its size, each pixel the mean of the four it stands for.
    static QImage HalfSize(const QImage& image) {
        const QImage source = image.convertToFormat(QImage::Format_ARGB32);
        QImage half(source.width() / 2, source.height() / 2, QImage::Format_ARGB32);
        for (int y = 0; y < half.height(); ++y)
            for (int x = 0; x < half.width(); ++x) {
                int sum[4] = {};
                for (const QPoint d : {QPoint(0, 0), QPoint(1, 0), QPoint(0, 1), QPoint(1, 1)}) {
                    const QRgb p = source.pixel(2 * x + d.x(), 2 * y + d.y());
                    sum[0] += qRed(p), sum[1] += qGreen(p), sum[2] += qBlue(p), sum[3] += qAlpha(p);
                }
                half.setPixel(x, y, qRgba(sum[0] / 4, sum[1] / 4, sum[2] / 4, sum[3] / 4));
            }
        return half;
    }

    // The mean difference of two pictures of one size, per channel.
    static double MeanDifference(const QImage& a, const QImage& b) {
        const QImage first = a.convertToFormat(QImage::Format_ARGB32);
        const QImage second = b.convertToFormat(QImage::Format_ARGB32);
        double total = 0;
        for (int y = 0; y < first.height(); ++y)
            for (int x = 0; x < first.width(); ++x) {
                const QRgb p = first.pixel(x, y), q = second.pixel(x, y);
                total += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) +
                         std::abs(qBlue(p) - qBlue(q)) + std::abs(qAlpha(p) - qAlpha(q));
            }
        return total / (4.0 * first.width() * first.height());
    }

    // The share of 2x2 blocks whose four pixels are not all alike: none in a picture merely enlarged.
    static double DetailedShare(const QImage& image) {
        const QImage source = image.convertToFormat(QImage::Format_ARGB32);
        int detailed = 0;
        for (int y = 0; y + 1 < source.height(); y += 2)
            for (int x = 0; x + 1 < source.width(); x += 2) {
                const QRgb p = source.pixel(x, y);
                if (source.pixel(x + 1, y) != p || source.pixel(x, y + 1) != p ||
                    source.pixel(x + 1, y + 1) != p)
                    ++detailed;
            }
        return detailed / (source.width() / 2.0 * (source.height() / 2));
    }

    // How many neighbouring pixels differ by a steep step: edges drawn at a density keep theirs,
    // enlarged ones spread each step over two pixels.
    static int SteepSteps(const QImage& image) {
        const QImage source = image.convertToFormat(QImage::Format_Grayscale8);
        int steps = 0;
        for (int y = 0; y + 1 < source.height(); ++y)
            for (int x = 0; x + 1 < source.width(); ++x) {
                const int here = source.pixelColor(x, y).value();
                if (std::abs(source.pixelColor(x + 1, y).value() - here) > 40 ||
                    std::abs(source.pixelColor(x, y + 1).value() - here) > 40)
                    ++steps;
            }
        return steps;
    }

private Q_SLOTS:
    void windowsShowPicturesOfTheScreensDensity_data() {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("ordinaryPicture");
        QTest::newRow("splash") << "splash"
                                << ":/lumora/splash/splash.png";
        QTest::newRow("notice button") << "notice"
                                       << ":/lumora/attentionform/ok_1.png";
    }

    void windowsShowPicturesOfTheScreensDensity() {
        QFETCH(QString, window);
        QFETCH(QString, ordinaryPicture);
        TSplashForm splash;
        TAttentionForm notice;
        const QWidget* control = window == "splash" ? static_cast<QWidget*>(splash.Image) : notice.OKBut;
        const QPixmap shown = window == "splash" ? splash.Image->pixmap() : notice.OKBut->Picture();
        const QImage ordinary(ordinaryPicture);
        QVERIFY(!ordinary.isNull());

        // The layout is the one of an ordinary screen, whatever the density.
        QCOMPARE(shown.deviceIndependentSize().toSize(), ordinary.size());
        QCOMPARE(control->size(), ordinary.size());

        const qreal ratio = qApp->devicePixelRatio();
        QCOMPARE(shown.devicePixelRatio(), ratio);
        if (ratio == 1) {
            QCOMPARE(shown.toImage().convertToFormat(QImage::Format_ARGB32),
                     ordinary.convertToFormat(QImage::Format_ARGB32));
            return;
        }
        const QImage dense = shown.toImage();
        QCOMPARE(dense.size(), ordinary.size() * 2);
        // The same drawing...
        QVERIFY2(MeanDifference(HalfSize(dense), ordinary) < 4, "not the drawing of the ordinary picture");
        // ...with detail of its own: not the ordinary picture enlarged, blocky or smooth.
        QVERIFY(DetailedShare(dense) > 0.05);
        const QImage enlarged =
            ordinary.scaled(dense.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        QVERIFY2(SteepSteps(dense) > SteepSteps(enlarged) * 5 / 4,
                 "no sharper than the ordinary picture enlarged");
    }

    void skinsOfDenseScreensWhereTheLanguageHasThem_data() {
        QTest::addColumn<bool>("withDense");
        QTest::newRow("ordinary pictures only") << false;
        QTest::newRow("dense pictures as well") << true;
    }

    void skinsOfDenseScreensWhereTheLanguageHasThem() {
        QFETCH(bool, withDense);
        QTemporaryDir skin;
        const auto write = [&](const QString& name, int width, int height) {
            QFile file(skin.filePath(name));
            return file.open(QIODevice::WriteOnly) && file.write(EncodeBmp(MakePicture(width, height))) > 0;
        };
        const QSize designed(37, 21);
        QVERIFY(write("background.bmp", designed.width(), designed.height()));
        if (withDense)
            QVERIFY(write("background@2x.bmp", designed.width() * 2, designed.height() * 2));
        QLabel image;
        Skins::LoadBackground(&image, skin.filePath("background.bmp"), true);
        const qreal expected = withDense ? qApp->devicePixelRatio() : 1;
        QCOMPARE(image.pixmap().devicePixelRatio(), expected);
        QCOMPARE(image.pixmap().deviceIndependentSize().toSize(), designed);
        QCOMPARE(image.size(), designed);
    }
};

int main(int argc, char* argv[]) {
    if (!qEnvironmentVariableIsSet("QT_SCALE_FACTOR"))
        qputenv("QT_SCALE_FACTOR", "2");
    QApplication app(argc, argv);
    TestDenseScreens test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_densescreens.moc"
