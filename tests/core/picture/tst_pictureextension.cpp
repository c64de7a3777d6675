#include "core/picture/PictureExtension.h"

#include <QTest>

class TestPictureExtension : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void extension_data() {
        QTest::addColumn<QByteArray>("url");
        QTest::addColumn<QByteArray>("extension");
        QTest::newRow("jpg") << QByteArray("http://cams.example/live/cam.jpg") << QByteArray(".jpg");
        QTest::newRow("upper-case JPG") << QByteArray("http://cams.example/CAM.JPG") << QByteArray(".jpg");
        QTest::newRow("jpeg") << QByteArray("http://cams.example/cam.jpeg") << QByteArray(".jpeg");
        QTest::newRow("gif") << QByteArray("http://cams.example/cam.Gif") << QByteArray(".gif");
        QTest::newRow("bmp") << QByteArray("http://cams.example/cam.bmp") << QByteArray(".bmp");
        QTest::newRow("png") << QByteArray("http://cams.example/cam.png") << QByteArray(".png");
        QTest::newRow("jpg followed by a query")
            << QByteArray("http://c.example/cam.jpg?t=123") << QByteArray(".jpg");
        QTest::newRow("no known extension")
            << QByteArray("http://cams.example/live/image") << QByteArray(".jpg");
        QTest::newRow("host's last dot only")
            << QByteArray("http://cams.example.org/cgi") << QByteArray(".jpg");
        // Neither own extension is known, so the last of the list that occurs wins.
        QTest::newRow("gif and png inside")
            << QByteArray("http://c.example/a.gif/b.png/view.cgi") << QByteArray(".png");
        QTest::newRow("jpg and gif inside")
            << QByteArray("http://c.example/x.jpg?y.gif&z") << QByteArray(".gif");
        QTest::newRow("colon after the dot")
            << QByteArray("http://c.example/cam.gif:8080") << QByteArray(".gif");
        QTest::newRow("backslash after the dot")
            << QByteArray("http://c.example/a.bmp\\image") << QByteArray(".bmp");
        QTest::newRow("empty") << QByteArray() << QByteArray(".jpg");
        QTest::newRow("non-ASCII bytes kept")
            << QByteArray("http://c.example/\xc3\x84.JPEG") << QByteArray(".jpeg");
    }
    void extension() {
        QFETCH(QByteArray, url);
        QTEST(PictureExtension(url), "extension");
    }
};

QTEST_APPLESS_MAIN(TestPictureExtension)
#include "tst_pictureextension.moc"
