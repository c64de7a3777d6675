#include "app/BuiltinPictures.h"

#include "i18n/ImgBtn.h"

QPixmap BuiltinPicture(const QString& name) {
    return QPixmap(QStringLiteral(":/lumora/") + name + QStringLiteral(".png"));
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
