#pragma once

class TDesktop;

// The user's own wallpaper, kept under the settings key (OldWallPaper, OldStretch, OldTileActive)
// while the program shows cam pictures, and put back when it ends.

// Remembers the desktop's wallpaper when it is a file of the user's. A wallpaper of the program's
// own (its path contains "Lumora", as the data directory does) is not remembered: after
// "Shut down and keep wallpaper", or after the program died without putting the wallpaper back,
// the wallpaper remembered before stays for the next restore.
// Returns whether a wallpaper was remembered.
bool SaveOldWallpaper(TDesktop& desktop);

// Installs the remembered wallpaper with its own tile and stretch values when its file still
// exists; otherwise the last cam picture stays. Returns whether it was installed.
bool RestoreOldWallpaper(TDesktop& desktop);
