#pragma once

#include "core/picture/Picture.h"

// How a wallpaper covers the screen: tiled from the top left corner, stretched to the screen's
// size, or centred on black (a picture larger than the screen shows its middle). Tile wins over
// stretch, as on the desktops that the wallpaper values come from.
enum class TWallpaperLayout { Centred, Tiled, Stretched };

TWallpaperLayout WallpaperLayout(bool tile, bool stretch);

// The screen-sized picture that the desktop shows. Null when the screen size is not allowed.
TPicture LayOutPicture(const TPicture& picture, int screenWidth, int screenHeight, TWallpaperLayout layout);

// The picture resampled to a new size (bilinear; each target pixel averages its neighbourhood
// when the picture shrinks by more than half, so fine detail does not turn into noise).
TPicture ScalePicture(const TPicture& picture, int width, int height);
