#include "app/BuiltinPictures.h"

#include "i18n/ImgBtn.h"

#include <QGuiApplication>
#include <QImage>

namespace {

QString BuiltinPicturePath(const QString& name) {
    return QStringLiteral(":/lumora/") + name + QStringLiteral(".png");
}

} // namespace

QPixmap BuiltinPicture(const QString& name) {
    // Not through the pixmap cache: a picture that a skin replaces goes with the control showing it.
    return QPixmap::fromImage(QImage(BuiltinPicturePath(name)));
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

QIcon BuiltinApplicationIcon() {
    // Every window shares the application's icon, so that each size is decoded once in the run.
    if (QGuiApplication::windowIcon().isNull()) {
        QIcon icon;
        for (const int size : {16, 22, 32, 48, 64, 128, 256})
            icon.addFile(QStringLiteral(":/lumora/icons/lumora-%1.png").arg(size), QSize(size, size));
        QGuiApplication::setWindowIcon(icon);
    }
    return QGuiApplication::windowIcon();
}

QIcon ApplicationIcon() {
    return QIcon::fromTheme(QStringLiteral("lumora"), BuiltinApplicationIcon());
}
