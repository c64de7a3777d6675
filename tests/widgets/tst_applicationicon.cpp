#include "widgets/BuiltinPictures.h"

#include <QDir>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

// The icon of the window and the tray comes from the user's icon theme where it has one.
class TestApplicationIcon : public QObject {
    Q_OBJECT

    QTemporaryDir m_themes;

    static QImage Shown(const QIcon& icon) {
        return icon.pixmap(32, 32).toImage().convertToFormat(QImage::Format_RGB32);
    }

private Q_SLOTS:
    void theBuiltInIconWhereNoThemeHasOne() {
        QIcon::setThemeSearchPaths({m_themes.path()});
        QIcon::setThemeName("hicolor");
        QVERIFY(!BuiltinApplicationIcon().isNull());
        QCOMPARE(Shown(ApplicationIcon()), Shown(BuiltinApplicationIcon()));
    }

    void theThemesIconWhereItHasOne() {
        const QString theme = m_themes.filePath("hicolor");
        QVERIFY(QDir().mkpath(theme + "/32x32/apps"));
        QFile index(theme + "/index.theme");
        QVERIFY(index.open(QIODevice::WriteOnly));
        index.write(
            "[Icon Theme]\nName=Hicolor\nDirectories=32x32/apps\n\n[32x32/apps]\nSize=32\nType=Fixed\n");
        index.close();
        QImage red(32, 32, QImage::Format_RGB32);
        red.fill(Qt::red);
        QVERIFY(red.save(theme + "/32x32/apps/lumora.png"));
        QIcon::setThemeSearchPaths({m_themes.path()});
        QIcon::setThemeName("hicolor");
        QCOMPARE(ApplicationIcon().name(), QStringLiteral("lumora"));
        QCOMPARE(Shown(ApplicationIcon()).pixelColor(16, 16), QColor(Qt::red));
    }
};

QTEST_MAIN(TestApplicationIcon)
#include "tst_applicationicon.moc"
