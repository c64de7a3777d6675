#include "widgets/Skins.h"

#include "core/LogCategories.h"
#include "core/picture/PictureDecoders.h"
#include "widgets/ImgBtn.h"
#include "widgets/PictureImage.h"
#include "widgets/ScaledPictureName.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QSet>

namespace {

QPixmap PixmapOf(TPicture&& picture, int scale) {
    // Transparent pixels stay transparent: a button's corners show the window behind it.
    QImage image = PictureImage(std::move(picture));
    image.setDevicePixelRatio(scale);
    return QPixmap::fromImage(image);
}

bool LoadPictureAt(const QString& path, int scale, QPixmap& picture) {
    const QFileInfo info(path);
    if (!info.isFile())
        return false;
    TResult<TPicture> decoded = DecodePictureFile(path, QLatin1Char('.') + info.suffix());
    if (!decoded) {
        // A broken skin file stays broken: one warning is enough, however often the skin is loaded.
        static QSet<QString> reported;
        if (!reported.contains(path)) {
            reported.insert(path);
            qCWarning(lcSkins, "skin picture %s kept out: %s", qPrintable(path), qPrintable(decoded.Error()));
        }
        return false;
    }
    picture = PixmapOf(std::move(*decoded), scale);
    return true;
}

} // namespace

namespace Skins {

QString SkinDirectory(const QString& languageDir, const QString& folder) {
    return languageDir + QLatin1Char('/') + folder + QLatin1Char('/');
}

int PreferredScale() {
    // Screens between one and two device pixels per logical pixel show the denser picture scaled down.
    return qGuiApp && qGuiApp->devicePixelRatio() > 1 ? 2 : 1;
}

bool LoadPicture(const QString& path, QPixmap& picture) {
    // A language without pictures for dense screens has its ordinary ones scaled up.
    const int scale = PreferredScale();
    return (scale != 1 && LoadPictureAt(ScaledPictureName(path, scale), scale, picture)) ||
           LoadPictureAt(path, 1, picture);
}

void LoadBackground(QLabel* image, const QString& path, bool sizeToPicture) {
    QPixmap picture;
    if (!LoadPicture(path, picture))
        return;
    image->setPixmap(picture);
    if (sizeToPicture)
        image->resize(picture.deviceIndependentSize().toSize());
}

void LoadButtonPictures(TImgBtn* button, const QString& base) {
    QPixmap picture;
    if (LoadPicture(base + QStringLiteral("_1.gif"), picture))
        button->SetPic(picture);
    if (LoadPicture(base + QStringLiteral("_2.gif"), picture))
        button->SetPicUp(picture);
    if (LoadPicture(base + QStringLiteral("_3.gif"), picture))
        button->SetPicDown(picture);
    if (LoadPicture(base + QStringLiteral("_4.gif"), picture))
        button->SetPicDisabled(picture);
    button->SetPic(button->Pic());
}

void LoadButtons(const QString& skinDir, const QList<TButtonSkin>& buttons) {
    for (const TButtonSkin& entry : buttons)
        if (entry.Button)
            LoadButtonPictures(entry.Button, skinDir + QLatin1String(entry.SkinName));
}

void FitWindowToContents(QWidget* window) {
    // Controls that are hidden for good (a button the window never shows) do not count.
    QRect contents(0, 0, 1, 1);
    for (const QWidget* child : window->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (!child->isHidden())
            contents |= child->geometry();
    window->setFixedSize(contents.x() + contents.width(), contents.y() + contents.height());
}

} // namespace Skins
