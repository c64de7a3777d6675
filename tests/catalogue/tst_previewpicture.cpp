// The preview's picture, scaled to its box once when it arrives.
#include "catalogue/PreviewPicture.h"
#include "core/picture/PictureEncoders.h"
#include "core/picture/TestPictures.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestPreviewPicture : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // libjpeg decodes these at a half or a quarter of their size: exactly the box, so no scaling
    // is left to do and the image handed back must still own its pixels.
    void picturesOfTheBoxSizeOutliveTheirDecoding_data() {
        QTest::addColumn<QSize>("size");
        QTest::newRow("twice the box") << QSize(480, 350);
        QTest::newRow("four times the box") << QSize(960, 700);
    }
    void picturesOfTheBoxSizeOutliveTheirDecoding() {
        QFETCH(QSize, size);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("PTMP.jpg"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(EncodeJpeg(FilledPicture(size.width(), size.height(), {200, 40, 40}), 95));
        file.close();

        const TResult<QImage> shown = LoadPreviewPicture(path, QSize(240, 175));
        // Memory freed by the decoding is likely taken and overwritten here.
        QByteArray other(240 * 175 * 3, '\x7f');
        QVERIFY2(shown, qPrintable(shown.Error()));
        QCOMPARE(shown->size(), QSize(240, 175));
        const QColor middle = shown->pixelColor(120, 87);
        QVERIFY2(qAbs(middle.red() - 200) < 8 && qAbs(middle.green() - 40) < 8 &&
                     qAbs(middle.blue() - 40) < 8,
                 qPrintable(middle.name()));
        QCOMPARE(other.at(0), '\x7f');
    }
};

QTEST_GUILESS_MAIN(TestPreviewPicture)
#include "tst_previewpicture.moc"
