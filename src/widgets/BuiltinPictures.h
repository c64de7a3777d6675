#pragma once

#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QString>

class TImgBtn;

// The pictures the windows are designed with, built into the program. A language's skin may
// replace any of them later.

// A built-in picture by its name, e.g. "mainform/background"; on dense screens the one drawn at
// twice the density, whose device pixel ratio tells the controls its size in logical pixels. Null
// when there is none. Its memory goes with the last control that shows it.
QPixmap BuiltinPicture(const QString& name);

// A built-in PNG picture by its resource path; null when there is none.
QImage ReadBuiltinPicture(const QString& path);

// The four pictures of a button by its skin name ("ok", "help", ...): normal, mouse over, pressed
// and disabled. The normal picture is shown.
void LoadBuiltinButtonPictures(TImgBtn& button, const QString& skinName);
// The same for a button of another window ("attentionform", ...).
void LoadBuiltinButtonPictures(TImgBtn& button, const QString& window, const QString& skinName);

// The application's icon, in every size drawn for it, each decoded when drawn; one for the whole run.
QIcon BuiltinApplicationIcon();
// The icon the window and the tray show: "lumora" of the user's icon theme, which follows a change
// of theme, and the built-in one where no theme has it.
QIcon ApplicationIcon();
// The tray's icon while the cam is paused, and while it fails.
QIcon PausedIcon();
QIcon FailingIcon();
