#include "i18n/Skins.h"

#include "i18n/ImgBtn.h"
#include "platform/LogCategories.h"
#include "wallpaper/PictureDecoders.h"

#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QSet>

namespace {

QPixmap PixmapOf(TPicture&& picture) {
    // The image shares the decoded bytes until the pixmap takes its own copy.
    const QImage image(reinterpret_cast<const uchar*>(picture.Pixels.constData()), picture.Width,
                       picture.Height, picture.RowBytes(), QImage::Format_BGR888);
    return QPixmap::fromImage(image);
}

} // namespace

namespace Skins {

QString SkinDirectory(const QString& languageDir, const QString& folder) {
    return languageDir + QLatin1Char('/') + folder + QLatin1Char('/');
}

bool LoadPicture(const QString& path, QPixmap& picture) {
    const QFileInfo info(path);
    if (!info.isFile())
        return false;
    QString error;
    std::optional<TPicture> decoded = DecodePictureFile(path, QLatin1Char('.') + info.suffix(), &error);
    if (!decoded) {
        // A broken skin file stays broken: one warning is enough, however often the skin is loaded.
        static QSet<QString> reported;
        if (!reported.contains(path)) {
            reported.insert(path);
            qCWarning(lcSkins, "skin picture %s kept out: %s", qPrintable(path), qPrintable(error));
        }
        return false;
    }
    picture = PixmapOf(std::move(*decoded));
    return true;
}

void LoadBackground(QLabel* image, const QString& path, bool sizeToPicture) {
    QPixmap picture;
    if (!LoadPicture(path, picture))
        return;
    image->setPixmap(picture);
    if (sizeToPicture)
        image->resize(picture.size());
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
