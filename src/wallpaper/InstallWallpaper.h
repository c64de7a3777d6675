#pragma once

#include "core/Result.h"

#include <QString>

class TDesktop;

// The wallpaper bitmap to write next: "Pic1.bmp" in the data directory when the character before
// the last four of the current wallpaper path is not a digit other than 0, "Pic0.bmp" otherwise.
// Successive installs thus alternate between the two files, and the desktop always sees a new path
// (a desktop that caches by path would otherwise keep the old picture).
QString NextBitmapPath(const QString& currentWallpaper, const QString& dataDirectory);

// Decodes the downloaded picture by its file extension, saves it as the next bitmap and installs
// that bitmap, not tiled, stretched as asked. Any failure (no desktop values, a picture that does not
// decode, PNG included, a bitmap that cannot be written) leaves the desktop as it was; the caller
// tries again at the next tick. A stretched JPEG at least twice the size of the desktop's largest
// monitor is decoded reduced, to no less than that monitor. Returns the bitmap now on the desktop, or
// why nothing changed.
TResult<QString> InstallWallpaper(TDesktop& desktop, const QString& pictureFile, bool stretch,
                                  const QString& dataDirectory);
