// Installing a downloaded picture and keeping the user's own wallpaper, with real files and the
// real settings file, against a recording desktop.
#include "RecordingDesktop.h"
#include "core/SettingsKey.h"
#include "core/picture/PictureDecoders.h"
#include "core/picture/PictureEncoders.h"
#include "core/picture/TestPictures.h"
#include "platform/ULMRLib.h"
#include "wallpaper/InstallWallpaper.h"
#include "wallpaper/OldWallpaper.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

void WriteBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

} // namespace

class TestInstallWallpaper : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_scratch;
    QString m_data; // stands for the data directory; its name holds "Lumora" as the real one does
    QString m_user; // the user's own pictures

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(m_scratch.isValid());
        m_data = m_scratch.filePath(QStringLiteral("Lumora"));
        m_user = m_scratch.filePath(QStringLiteral("pictures"));
        QVERIFY(QDir().mkpath(m_data));
        QVERIFY(QDir().mkpath(m_user));
    }
    void init() { QFile::remove(TSettingsKey::FilePath()); }

    void nextBitmap_data() {
        QTest::addColumn<QString>("current");
        QTest::addColumn<QString>("next");
        QTest::newRow("user wallpaper") << "/home/u/beach.jpg"
                                        << "Pic1.bmp";
        QTest::newRow("no wallpaper") << ""
                                      << "Pic1.bmp";
        QTest::newRow("after Pic1") << "/d/Lumora/Pic1.bmp"
                                    << "Pic0.bmp";
        QTest::newRow("after Pic0") << "/d/Lumora/Pic0.bmp"
                                    << "Pic1.bmp";
        QTest::newRow("user file ending in a digit") << "/home/u/photo7.png"
                                                     << "Pic0.bmp";
        QTest::newRow("short path") << "a"
                                    << "Pic1.bmp";
    }
    void nextBitmap() {
        QFETCH(QString, current);
        QFETCH(QString, next);
        QCOMPARE(NextBitmapPath(current, QStringLiteral("/data")), QStringLiteral("/data/") + next);
    }

    void installsAlternatingBitmaps() {
        RecordingDesktop desktop;
        desktop.Current = {QStringLiteral("/home/u/beach.jpg"), true, false};
        const QString download = m_data + QStringLiteral("/TMP.jpg");
        WriteBytes(download, EncodeJpeg(GradientPicture(64, 48), 95));

        QCOMPARE(*InstallWallpaper(desktop, download, true, m_data), m_data + QStringLiteral("/Pic1.bmp"));
        QCOMPARE(*InstallWallpaper(desktop, download, false, m_data), m_data + QStringLiteral("/Pic0.bmp"));
        QCOMPARE(*InstallWallpaper(desktop, download, false, m_data), m_data + QStringLiteral("/Pic1.bmp"));

        QCOMPARE(desktop.Writes.size(), 3);
        // Never tiled; stretched as asked.
        QCOMPARE(desktop.Writes.at(0),
                 (TDesktopWallpaper{m_data + QStringLiteral("/Pic1.bmp"), false, true}));
        QCOMPARE(desktop.Writes.at(1),
                 (TDesktopWallpaper{m_data + QStringLiteral("/Pic0.bmp"), false, false}));
        // The decoded pixels go along, so the backend need not read the bitmap back.
        QCOMPARE(desktop.DecodedSizes.at(0), QSize(64, 48));

        QFile bitmap(m_data + QStringLiteral("/Pic1.bmp"));
        QVERIFY(bitmap.open(QIODevice::ReadOnly));
        const TResult<TPicture> written = DecodeBmp(bitmap.readAll());
        QVERIFY(written);
        QCOMPARE(written->Width, 64);
        QVERIFY(MeanDifference(*written, GradientPicture(64, 48)) < 3.0);
    }

    // A picture much larger than the monitor is decoded reduced where it is stretched down
    // anyway, never below the monitor's size; centred, it keeps every pixel.
    void decodesNoLargerThanShown_data() {
        QTest::addColumn<bool>("stretch");
        QTest::addColumn<QSize>("monitor");
        QTest::addColumn<QSize>("decoded");
        QTest::newRow("stretched, a quarter covers") << true << QSize(100, 75) << QSize(160, 120);
        QTest::newRow("stretched, an eighth covers") << true << QSize(80, 60) << QSize(80, 60);
        QTest::newRow("stretched, monitor unknown") << true << QSize() << QSize(640, 480);
        QTest::newRow("stretched, monitor as large") << true << QSize(640, 480) << QSize(640, 480);
        QTest::newRow("centred") << false << QSize(80, 60) << QSize(640, 480);
    }
    void decodesNoLargerThanShown() {
        QFETCH(bool, stretch);
        QFETCH(QSize, monitor);
        QFETCH(QSize, decoded);
        RecordingDesktop desktop;
        desktop.Monitor = monitor;
        const QString download = m_data + QStringLiteral("/TMP.jpg");
        WriteBytes(download, EncodeJpeg(GradientPicture(640, 480), 90));
        const QString bitmap = InstallWallpaper(desktop, download, stretch, m_data).ValueOr({});
        QCOMPARE(desktop.DecodedSizes, QList<QSize>{decoded});
        QFile file(bitmap);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const TResult<TPicture> written = DecodeBmp(file.readAll());
        QVERIFY(written);
        QCOMPARE(QSize(written->Width, written->Height), decoded);
    }

    void failuresLeaveTheDesktopAlone_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("readable");
        QTest::newRow("PNG is never decoded") << "TMP.png" << QByteArray("\x89PNG\r\n\x1a\n", 8) << true;
        QTest::newRow("broken JPEG") << "TMP.jpg" << QByteArray("\xff\xd8\xff\xe0 truncated") << true;
        QTest::newRow("HTML error page") << "TMP.gif" << QByteArray("<html>404</html>") << true;
        QTest::newRow("desktop cannot be asked") << "TMP.bmp" << EncodeBmp(GradientPicture(8, 8)) << false;
    }
    void failuresLeaveTheDesktopAlone() {
        QFETCH(QString, file);
        QFETCH(QByteArray, content);
        QFETCH(bool, readable);
        RecordingDesktop desktop;
        desktop.Readable = readable;
        const QString path = m_data + QLatin1Char('/') + file;
        WriteBytes(path, content);
        QFile::remove(m_data + QStringLiteral("/Pic1.bmp"));
        QVERIFY(!InstallWallpaper(desktop, path, false, m_data));
        QVERIFY(desktop.Writes.isEmpty());
    }

    void unwritableBitmapLeavesTheDesktopAlone() {
        RecordingDesktop desktop;
        const QString download = m_data + QStringLiteral("/TMP.gif");
        WriteBytes(download, EncodeGif(GradientPicture(16, 16)));
        QVERIFY(!InstallWallpaper(desktop, download, false, m_scratch.filePath("no/such/folder")));
        QVERIFY(desktop.Writes.isEmpty());
    }

    // The bitmap is written while the picture is decoded, band by band from the top, into a file
    // that stores the bottom row first: every row must land in its own place, the last band too.
    // A picture cut off after many rows were handed over leaves the previous bitmap as it was.
    void bitmapOfAPictureWrittenWhileDecoded_data() {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<bool>("cut");
        QTest::newRow("many bands, a short last one") << QSize(1001, 777) << false;
        QTest::newRow("one row") << QSize(700, 1) << false;
        QTest::newRow("cut off halfway") << QSize(1001, 777) << true;
    }
    void bitmapOfAPictureWrittenWhileDecoded() {
        QFETCH(QSize, size);
        QFETCH(bool, cut);
        const QString previous = m_data + QStringLiteral("/Pic1.bmp");
        const QByteArray previousBytes = EncodeBmp(GradientPicture(8, 8));
        WriteBytes(previous, previousBytes);
        const TPicture source = GradientPicture(size.width(), size.height());
        QByteArray jpeg = EncodeJpeg(source, 95);
        if (cut)
            jpeg.truncate(jpeg.size() / 2);
        const QString download = m_data + QStringLiteral("/TMP.jpg");
        WriteBytes(download, jpeg);
        RecordingDesktop desktop;
        const TResult<QString> installed = InstallWallpaper(desktop, download, false, m_data);
        QFile bitmap(previous);
        QVERIFY(bitmap.open(QIODevice::ReadOnly));
        if (cut) {
            QVERIFY(!installed);
            QVERIFY(desktop.Writes.isEmpty());
            QCOMPARE(bitmap.readAll(), previousBytes);
            QCOMPARE(QDir(m_data).entryList({QStringLiteral("Pic1.bmp*")}, QDir::Files),
                     QStringList{QStringLiteral("Pic1.bmp")});
            return;
        }
        QCOMPARE(installed.ValueOr({}), previous);
        const TResult<TPicture> written = DecodeBmp(bitmap.readAll());
        QVERIFY(written);
        QCOMPARE(QSize(written->Width, written->Height), size);
        QVERIFY(MeanDifference(*written, source) < 3.0);
        QVERIFY(MaxDifference(*written, source) < 40);
    }

    void saveAndRestoreTheUsersWallpaper() {
        const QString own = m_user + QStringLiteral("/mountains.bmp");
        WriteBytes(own, EncodeBmp(GradientPicture(4, 4)));
        RecordingDesktop desktop;
        desktop.Current = {own, true, false};
        QVERIFY(SaveOldWallpaper(desktop));

        desktop.Current = {m_data + QStringLiteral("/Pic1.bmp"), false, true};
        QVERIFY(RestoreOldWallpaper(desktop));
        // Exactly the saved tile and stretch values come back.
        QCOMPARE(desktop.Writes.last(), (TDesktopWallpaper{own, true, false}));
    }

    // After "Shut down and keep wallpaper", or after the program died with a cam picture on the
    // desktop, the next start must not take the cam picture for the user's wallpaper.
    void ownBitmapNeverReplacesTheSavedWallpaper_data() {
        QTest::addColumn<QString>("folder");
        QTest::newRow("the data folder") << DataDirectory();
        QTest::newRow("an older release's folder") << m_data;
    }
    void ownBitmapNeverReplacesTheSavedWallpaper() {
        QFETCH(QString, folder);
        QVERIFY(QDir().mkpath(folder));
        const QString own = m_user + QStringLiteral("/lake.bmp");
        WriteBytes(own, EncodeBmp(GradientPicture(4, 4)));
        RecordingDesktop desktop;
        desktop.Current = {own, false, true};
        QVERIFY(SaveOldWallpaper(desktop));

        const QString camBitmap = folder + QStringLiteral("/Pic0.bmp");
        WriteBytes(camBitmap, EncodeBmp(GradientPicture(4, 4)));
        desktop.Current = {camBitmap, false, false};
        QVERIFY(!SaveOldWallpaper(desktop));

        QVERIFY(RestoreOldWallpaper(desktop));
        QCOMPARE(desktop.Writes.last(), (TDesktopWallpaper{own, false, true}));
    }

    void nothingToSaveOrRestore_data() {
        QTest::addColumn<QString>("wallpaper");
        QTest::addColumn<QByteArray>("record");
        QTest::newRow("no wallpaper") << QString() << QByteArray();
        QTest::newRow("file gone") << QStringLiteral("/no/such/picture.jpg") << QByteArray();
        QTest::newRow("file gone, with the desktop's record")
            << QStringLiteral("/no/such/picture.jpg") << QByteArray("desktop=recording a=1");
    }
    void nothingToSaveOrRestore() {
        QFETCH(QString, wallpaper);
        QFETCH(QByteArray, record);
        RecordingDesktop desktop;
        desktop.Current = {wallpaper, false, false};
        desktop.Exact = record;
        QVERIFY(!SaveOldWallpaper(desktop));
        QVERIFY(!RestoreOldWallpaper(desktop));
        QVERIFY(desktop.Writes.isEmpty());
        QVERIFY(desktop.RestoredRecords.isEmpty());
    }

    // The desktop's record goes back to the desktop as it was taken, also when the user has no
    // picture file (a plain colour); a later remember without a record drops the old record.
    void theDesktopsRecordComesBackWithTheWallpaper() {
        const QString own = m_user + QStringLiteral("/dunes.bmp");
        WriteBytes(own, EncodeBmp(GradientPicture(4, 4)));
        RecordingDesktop desktop;
        desktop.Exact = "desktop=recording colour=%2300ff00";
        QVERIFY(SaveOldWallpaper(desktop));
        desktop.Current = {m_data + QStringLiteral("/Pic1.bmp"), false, true};
        desktop.Exact.clear();
        QVERIFY(RestoreOldWallpaper(desktop));
        QCOMPARE(desktop.RestoredRecords, QList<QByteArray>{"desktop=recording colour=%2300ff00"});
        QVERIFY(desktop.Writes.isEmpty());

        desktop.Current = {own, true, false};
        QVERIFY(SaveOldWallpaper(desktop));
        QVERIFY(RestoreOldWallpaper(desktop));
        QCOMPARE(desktop.RestoredRecords.size(), 1);
        QCOMPARE(desktop.Writes, QList<TDesktopWallpaper>{desktop.Current});
    }

    void savedWallpaperWhoseFileVanishedIsNotRestored() {
        const QString own = m_user + QStringLiteral("/gone.bmp");
        WriteBytes(own, EncodeBmp(GradientPicture(4, 4)));
        RecordingDesktop desktop;
        desktop.Current = {own, false, false};
        QVERIFY(SaveOldWallpaper(desktop));
        QVERIFY(QFile::remove(own));
        QVERIFY(!RestoreOldWallpaper(desktop));
        QVERIFY(desktop.Writes.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestInstallWallpaper)
#include "tst_installwallpaper.moc"
