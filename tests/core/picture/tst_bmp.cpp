#include "core/picture/PictureDecoders.h"
#include "core/picture/PictureEncoders.h"
#include "core/picture/TestPictures.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Writes the headers of a bitmap by hand, so that every form the reader accepts can be built.
struct TBmpBuild {
    int InfoSize = 40;
    qint32 Width = 0, Height = 0;
    quint16 BitCount = 24;
    quint32 Compression = 0;
    QList<quint32> Masks;   // for bit fields (after a 40-byte header, or inside a larger one)
    QList<TColour> Palette; // written as four-byte entries, three in the 12-byte header
    quint32 ColoursUsed = 0;
    QByteArray Pixels;      // exactly as stored
    qint64 DataOffset = -1; // -1: right after the palette

    QByteArray Bytes() const {
        QByteArray info(InfoSize, '\0');
        qToLittleEndian<quint32>(quint32(InfoSize), info.data());
        if (InfoSize == 12) {
            qToLittleEndian<quint16>(quint16(Width), info.data() + 4);
            qToLittleEndian<quint16>(quint16(Height), info.data() + 6);
            qToLittleEndian<quint16>(1, info.data() + 8);
            qToLittleEndian<quint16>(BitCount, info.data() + 10);
        } else {
            qToLittleEndian<qint32>(Width, info.data() + 4);
            qToLittleEndian<qint32>(Height, info.data() + 8);
            qToLittleEndian<quint16>(1, info.data() + 12);
            qToLittleEndian<quint16>(BitCount, info.data() + 14);
            qToLittleEndian<quint32>(Compression, info.data() + 16);
            qToLittleEndian<quint32>(ColoursUsed, info.data() + 32);
        }
        QByteArray masks;
        for (quint32 mask : Masks) {
            char bytes[4];
            qToLittleEndian(mask, bytes);
            masks.append(bytes, 4);
        }
        if (InfoSize > 40)
            info.replace(40, masks.size(), masks);
        else
            info += masks;
        QByteArray palette;
        for (const TColour& colour : Palette) {
            palette += char(colour.Blue);
            palette += char(colour.Green);
            palette += char(colour.Red);
            if (InfoSize != 12)
                palette += '\0';
        }
        const qint64 offset = DataOffset >= 0 ? DataOffset : 14 + info.size() + palette.size();
        QByteArray file("BM");
        file += QByteArray(12, '\0');
        qToLittleEndian<quint32>(quint32(14 + info.size() + palette.size() + Pixels.size()), file.data() + 2);
        qToLittleEndian<quint32>(quint32(offset), file.data() + 10);
        return file + info + palette + Pixels;
    }
};

const TColour Black{0, 0, 0}, White{255, 255, 255}, Red{255, 0, 0}, Green{0, 255, 0}, Blue{0, 0, 255};

// The picture every format below stores: 3 x 2, top row red, green, blue; bottom row white,
// black, red.
TPicture Expected() {
    TPicture picture = MakePicture(3, 2);
    SetColour(picture, 0, 0, Red);
    SetColour(picture, 1, 0, Green);
    SetColour(picture, 2, 0, Blue);
    SetColour(picture, 0, 1, White);
    SetColour(picture, 1, 1, Black);
    SetColour(picture, 2, 1, Red);
    return picture;
}

const QList<TColour> ThePalette{Black, Red, Green, Blue, White};

QByteArray Hex(const char* text) {
    return QByteArray::fromHex(text);
}

TBmpBuild Paletted(quint16 bits, const char* rows, quint32 compression = 0) {
    TBmpBuild build;
    build.Width = 3;
    build.Height = 2;
    build.BitCount = bits;
    build.Compression = compression;
    build.Palette = bits == 1 ? QList<TColour>{Black, White} : ThePalette;
    build.ColoursUsed = quint32(build.Palette.size());
    build.Pixels = Hex(rows);
    return build;
}

TBmpBuild Direct(quint16 bits, const char* rows, QList<quint32> masks = {}, int infoSize = 40) {
    TBmpBuild build;
    build.InfoSize = infoSize;
    build.Width = 3;
    build.Height = 2;
    build.BitCount = bits;
    build.Masks = masks;
    build.Compression = masks.isEmpty() ? 0 : 3;
    build.Pixels = Hex(rows);
    return build;
}

} // namespace

class TestBmp : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void writerRoundTripsEveryRowPadding_data() {
        QTest::addColumn<int>("width");
        for (int width : {1, 2, 3, 4, 5})
            QTest::addRow("width %d", width) << width;
    }
    void writerRoundTripsEveryRowPadding() {
        QFETCH(int, width);
        const TPicture picture = GradientPicture(width, 7);
        const QByteArray bmp = EncodeBmp(picture);
        const qsizetype stride = (width * 3 + 3) / 4 * 4;
        QCOMPARE(bmp.size(), 54 + stride * 7);
        QCOMPARE(qFromLittleEndian<quint16>(bmp.constData() + 28), quint16(24));
        const TResult<TPicture> decoded = DecodeBmp(bmp);
        QVERIFY(decoded);
        QCOMPARE(decoded->Pixels, picture.Pixels);
    }

    void writesFilesWhole() {
        const QTemporaryDir folder;
        const QString path = folder.filePath("Pic1.bmp");
        const TPicture picture = GradientPicture(40, 30);
        QCOMPARE(WriteBmpFile(path, picture).Error(), QString());
        const TResult<TPicture> decoded = DecodePictureFile(path, ".bmp");
        QVERIFY(decoded);
        QCOMPARE(decoded->Pixels, picture.Pixels);
        QVERIFY(!WriteBmpFile(folder.filePath("no-such-folder/x.bmp"), picture));
        QVERIFY(!WriteBmpFile(path, TPicture{}));
        QCOMPARE(DecodePictureFile(path, ".bmp")->Pixels, picture.Pixels); // the old file is intact
        // A bitmap written over an older one replaces it, and nothing else stays in the folder.
        const TPicture next = GradientPicture(24, 17);
        QCOMPARE(WriteBmpFile(path, next).Error(), QString());
        QCOMPARE(DecodePictureFile(path, ".bmp")->Pixels, next.Pixels);
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files), QStringList{"Pic1.bmp"});
    }

    // The file is written straight from the rows, bottom row first, in batches of rows: every shape of
    // row, padding and batch gives the same bytes as the bitmap made in memory.
    void fileHoldsTheBitmapOfEveryShape_data() {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::newRow("one column, many batches") << 1 << 3001;
        QTest::newRow("padded rows") << 41 << 50;
        QTest::newRow("unpadded rows, several batches") << 1920 << 600;
        QTest::newRow("padded rows, several batches") << 1921 << 600;
    }
    void fileHoldsTheBitmapOfEveryShape() {
        QFETCH(int, width);
        QFETCH(int, height);
        const QTemporaryDir folder;
        const QString path = folder.filePath("Pic0.bmp");
        const TPicture picture = GradientPicture(width, height);
        QCOMPARE(WriteBmpFile(path, picture).Error(), QString());
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.readAll() == EncodeBmp(picture));
    }

    void readsEveryForm_data() {
        QTest::addColumn<QByteArray>("bmp");
        // Rows bottom-up unless the height is negative; each row padded to four bytes.
        QTest::newRow("1 bit") << Paletted(1, "80000000"
                                              "00000000")
                                      .Bytes();
        QTest::newRow("4 bits") << Paletted(4, "40100000"
                                               "12300000")
                                       .Bytes();
        QTest::newRow("8 bits") << Paletted(8, "04000100"
                                               "01020300")
                                       .Bytes();
        QTest::newRow("24 bits") << Direct(24, "ffffff0000000000ff000000"
                                               "0000ff00ff00ff0000000000")
                                        .Bytes();
        QTest::newRow("16 bits 5-5-5") << Direct(16, "ff7f0000007c"
                                                     "0000"
                                                     "007ce0031f00"
                                                     "0000")
                                              .Bytes();
        QTest::newRow("16 bits 5-6-5 fields") << Direct(16,
                                                        "ffff000000f8"
                                                        "0000"
                                                        "00f8e0071f00"
                                                        "0000",
                                                        {0xf800, 0x07e0, 0x001f})
                                                     .Bytes();
        QTest::newRow("32 bits") << Direct(32, "ffffff0000000000"
                                               "0000ff00"
                                               "0000ff0000ff0000ff000000")
                                        .Bytes();
        QTest::newRow("32 bits, fields in a V5 header") << Direct(32,
                                                                  "00ffffff"
                                                                  "00000000"
                                                                  "000000ff"
                                                                  "000000ff"
                                                                  "0000ff00"
                                                                  "00ff0000",
                                                                  {0xff000000, 0xff0000, 0xff00}, 124)
                                                               .Bytes();
        QTest::newRow("24 bits top-down") << [] {
            TBmpBuild build = Direct(24, "0000ff00ff00ff0000000000"
                                         "ffffff0000000000ff000000");
            build.Height = -2;
            return build.Bytes();
        }();
        QTest::newRow("OS/2 core header") << Direct(24,
                                                    "ffffff0000000000ff000000"
                                                    "0000ff00ff00ff0000000000",
                                                    {}, 12)
                                                 .Bytes();
        QTest::newRow("RLE8 runs, literal, end of line") << Paletted(8,
                                                                     "0104"
                                                                     "0100"
                                                                     "0101"
                                                                     "0000"
                                                                     "00030102"
                                                                     "0300"
                                                                     "0001",
                                                                     1)
                                                                .Bytes();
        QTest::newRow("RLE8 delta skips to black") << Paletted(8,
                                                               "0104"
                                                               "00020100"
                                                               "0101"
                                                               "0000"
                                                               "00030102"
                                                               "0300"
                                                               "0001",
                                                               1)
                                                          .Bytes();
        QTest::newRow("RLE4 runs and literal") << Paletted(4,
                                                           "0240"
                                                           "0110"
                                                           "0000"
                                                           "0003"
                                                           "1230"
                                                           "0001",
                                                           2)
                                                      .Bytes();
        QTest::newRow("data offset zero") << [] {
            TBmpBuild build = Paletted(8, "04000100"
                                          "01020300");
            build.DataOffset = 0;
            return build.Bytes();
        }();
    }
    void readsEveryForm() {
        QFETCH(QByteArray, bmp);
        const TResult<TPicture> decoded = DecodeBmp(bmp);
        QVERIFY2(decoded, qPrintable(decoded.Error()));
        const TPicture expected = Expected();
        QCOMPARE(decoded->Width, expected.Width);
        QCOMPARE(decoded->Height, expected.Height);
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 3; ++x) {
                TColour wanted = ColourAt(expected, x, y);
                if (QByteArray(QTest::currentDataTag()) == "1 bit")
                    wanted = wanted == White ? White : Black;
                QCOMPARE(ColourAt(*decoded, x, y), wanted);
            }
    }

    void refusesBrokenFiles_data() {
        QTest::addColumn<QByteArray>("bmp");
        QTest::addColumn<QString>("reason");
        auto sized = [](qint32 width, qint32 height) {
            TBmpBuild build = Direct(24, "ffffff000000ff0000000000"
                                         "0000ff00ff00ff000000000");
            build.Width = width;
            build.Height = height;
            return build.Bytes();
        };
        QTest::newRow("empty") << QByteArray() << "not a Windows bitmap";
        QTest::newRow("wrong magic") << QByteArray("PK\x03\x04 and much more data here")
                                     << "not a Windows bitmap";
        QTest::newRow("header cut short") << Direct(24, "").Bytes().left(30) << "cut short";
        QTest::newRow("header claims 1000 x 1000") << sized(1000, 1000) << "cut short";
        QTest::newRow("header claims 100000 x 100000") << sized(100000, 100000) << "refused";
        QTest::newRow("height of minus 2^31") << sized(3, INT_MIN) << "refused";
        QTest::newRow("negative width") << sized(-3, 2) << "no pixels";
        QTest::newRow("zero height") << sized(3, 0) << "no pixels";
        QTest::newRow("data offset beyond the file") << [] {
            TBmpBuild build = Direct(24, "ffffff000000ff0000000000");
            build.DataOffset = 5000;
            return build.Bytes();
        }() << "missing";
        QTest::newRow("unknown depth") << Direct(7, "00000000").Bytes() << "depth";
        QTest::newRow("embedded PNG") << [] {
            TBmpBuild build = Direct(24, "00000000");
            build.Compression = 5;
            return build.Bytes();
        }() << "compression";
        QTest::newRow("RLE8 ends without its end mark") << Paletted(8,
                                                                    "0104"
                                                                    "0100",
                                                                    1)
                                                               .Bytes()
                                                        << "cut short";
        QTest::newRow("RLE8 moving right forever") << [] {
            TBmpBuild build = Paletted(8, "", 1);
            build.Pixels = QByteArray::fromHex("0002ff00").repeated(10'000'000);
            return build.Bytes();
        }() << "cut short";
        QTest::newRow("8192 x 8193 pixels") << sized(8192, 8193) << "refused";
        QTest::newRow("RLE8 literal beyond the data") << Paletted(8,
                                                                  "0040"
                                                                  "0102",
                                                                  1)
                                                             .Bytes()
                                                      << "cut short";
    }
    void refusesBrokenFiles() {
        QFETCH(QByteArray, bmp);
        QFETCH(QString, reason);
        const TResult<TPicture> decoded = DecodeBmp(bmp);
        QVERIFY2(!decoded && decoded.Error().contains(reason), qPrintable(decoded.Error()));
    }

    void decodesFilesByExtension_data() {
        QTest::addColumn<QString>("extension");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("decodes");
        const TPicture picture = FilledPicture(8, 8, Green);
        QTest::newRow(".jpg") << ".jpg" << EncodeJpeg(picture) << true;
        QTest::newRow(".JPEG") << ".JPEG" << EncodeJpeg(picture) << true;
        QTest::newRow(".gif") << ".gif" << EncodeGif(picture) << true;
        QTest::newRow(".bmp") << ".bmp" << EncodeBmp(picture) << true;
        QTest::newRow(".png never decodes") << ".png" << EncodeJpeg(picture) << false;
        QTest::newRow("no extension") << "" << EncodeJpeg(picture) << false;
        QTest::newRow("JPEG named .gif") << ".gif" << EncodeJpeg(picture) << false;
    }
    void decodesFilesByExtension() {
        QFETCH(QString, extension);
        QFETCH(QByteArray, content);
        QFETCH(bool, decodes);
        const QString path =
            QDir::temp().filePath("lumora-tst-bmp-file-%1").arg(QCoreApplication::applicationPid());
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
        file.close();
        const TResult<TPicture> decoded = DecodePictureFile(path, extension);
        QCOMPARE(bool(decoded), decodes);
        QCOMPARE(decoded.Error().isEmpty(), decodes);
        QFile::remove(path);
        QVERIFY(!DecodePictureFile(path, extension));
    }
};

QTEST_GUILESS_MAIN(TestBmp)
#include "tst_bmp.moc"
