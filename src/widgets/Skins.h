#pragma once

#include <QList>
#include <QPixmap>
#include <QString>

class QLabel;
class QWidget;
class TImgBtn;

// Skins: the pictures a language puts into a window in place of the built-in ones. A window's skin
// directory is <data directory>/lang<N>/<folder>/; every file in it is optional, and a file that is
// missing, or present but not a picture, leaves the picture the window shows now.
namespace Skins {

// 2 where the screens are dense enough for pictures drawn at twice the density, else 1. A picture of
// that scale is preferred where there is one; its device pixel ratio tells the controls its size in
// logical pixels, so that the layout is the same at every scale.
int PreferredScale();

// The skin directory of a window's folder within a language directory, with its trailing separator.
QString SkinDirectory(const QString& languageDir, const QString& folder);

// Loads a ".bmp" or ".gif" file into `picture`, or on dense screens the same picture drawn at twice
// the density where the language has it; false when the file is missing or does not decode. A file
// that exists but does not decode is told on stderr, once per file in a run.
bool LoadPicture(const QString& path, QPixmap& picture);

// The background file into the image; `sizeToPicture` makes the image take the picture's size.
void LoadBackground(QLabel* image, const QString& path, bool sizeToPicture);

// The four pictures <base>_1.gif .. _4.gif of a button (normal, mouse over, pressed, disabled); then
// the normal picture is shown, whatever the button's state.
void LoadButtonPictures(TImgBtn* button, const QString& base);

// A button of a window and the skin name its picture files carry.
struct TButtonSkin {
    const char* SkinName;
    TImgBtn* Button;
};
// Every button of the table, in its order; buttons that do not exist are skipped.
void LoadButtons(const QString& skinDir, const QList<TButtonSkin>& buttons);

// Makes a window as large as its controls: a larger skin picture makes the window larger.
void FitWindowToContents(QWidget* window);

} // namespace Skins
