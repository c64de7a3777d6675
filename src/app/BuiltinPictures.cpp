#include "app/BuiltinPictures.h"

#include "i18n/ImgBtn.h"

#include <QImage>

namespace {

QString BuiltinPicturePath(const QString& name) {
    return QStringLiteral(":/lumora/") + name + QStringLiteral(".png");
}

} // namespace

QPixmap BuiltinPicture(const QString& name) {
    return QPixmap(BuiltinPicturePath(name));
}

QPixmap BuiltinPictureShownOnce(const QString& name) {
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
    QIcon icon;
    for (const int size : {16, 22, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/lumora/icons/lumora-%1.png").arg(size), QSize(size, size));
    return icon;
}

QIcon ApplicationIcon() {
    return QIcon::fromTheme(QStringLiteral("lumora"), BuiltinApplicationIcon());
}
