#include "widgets/BuiltinPictures.h"

#include "widgets/BuiltinIconEngine.h"
#include "widgets/ImgBtn.h"
#include "widgets/ScaledPictureName.h"
#include "widgets/Skins.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>

namespace {

QString BuiltinPicturePath(const QString& name, int scale) {
    return ScaledPictureName(QStringLiteral(":/lumora/") + name + QStringLiteral(".png"), scale);
}

} // namespace

QPixmap BuiltinPicture(const QString& name) {
    // Not through the pixmap cache: a picture that a skin replaces goes with the control showing it.
    int scale = Skins::PreferredScale();
    QImage image = ReadBuiltinPicture(BuiltinPicturePath(name, scale));
    if (image.isNull() && scale != 1) {
        scale = 1;
        image = ReadBuiltinPicture(BuiltinPicturePath(name, scale));
    }
    image.setDevicePixelRatio(scale);
    return QPixmap::fromImage(image);
}

QImage ReadBuiltinPicture(const QString& path) {
    // A window without a picture of its own asks as well: not worth a warning from the reader.
    if (!QFile::exists(path))
        return {};
    QImageReader reader(path, "png");
    // Otherwise every image plugin is loaded and asked whether it reads PNG better than Qt.
    reader.setAutoDetectImageFormat(false);
    return reader.read();
}

void LoadBuiltinButtonPictures(TImgBtn& button, const QString& skinName) {
    LoadBuiltinButtonPictures(button, QStringLiteral("mainform"), skinName);
}

void LoadBuiltinButtonPictures(TImgBtn& button, const QString& window, const QString& skinName) {
    const QString base = window + QLatin1Char('/') + skinName;
    button.SetPicUp(BuiltinPicture(base + QStringLiteral("_2")));
    button.SetPicDown(BuiltinPicture(base + QStringLiteral("_3")));
    button.SetPicDisabled(BuiltinPicture(base + QStringLiteral("_4")));
    button.SetPic(BuiltinPicture(base + QStringLiteral("_1")));
}

namespace {

// The icon drawn in a folder of built-in pictures as lumora-<size>.png.
QIcon IconOfFolder(const QString& folder) {
    // Icons are chosen by their size in device pixels: those for dense screens are sizes of their own.
    QList<int> sizes;
    const QDir icons(QStringLiteral(":/lumora/") + folder);
    // Matched by hand: a name filter would bring in the regular expression engine for good.
    for (const QString& file : icons.entryList(QDir::Files))
        if (file.startsWith(QLatin1String("lumora-")) && file.endsWith(QLatin1String(".png")))
            sizes << QStringView(file).sliced(7).chopped(4).toInt();
    return QIcon(new TBuiltinIconEngine(icons.filePath(QStringLiteral("lumora-%1.png")), sizes));
}

} // namespace

QIcon BuiltinApplicationIcon() {
    // Every window shares the application's icon; each size is decoded when it is drawn.
    if (QGuiApplication::windowIcon().isNull())
        QGuiApplication::setWindowIcon(IconOfFolder(QStringLiteral("icons")));
    return QGuiApplication::windowIcon();
}

QIcon PausedIcon() {
    return IconOfFolder(QStringLiteral("icons-paused"));
}

QIcon FailingIcon() {
    return IconOfFolder(QStringLiteral("icons-failing"));
}

QIcon ApplicationIcon() {
    return QIcon::fromTheme(QStringLiteral("lumora"), BuiltinApplicationIcon());
}
