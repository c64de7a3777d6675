#pragma once

class TDesktop;

// The user's own wallpaper, kept under the settings key (OldWallPaper, OldStretch, OldTileActive,
// and OldDesktop: the desktop's exact record of it) while the program shows cam pictures, and put
// back when it ends. Being in the settings file, it also survives a program that died.

// Remembers what the desktop shows when it is the user's own: a wallpaper file, or no file where
// the desktop's record says what the user has instead. A wallpaper of the program's own (its path
// contains "Lumora", as the data directory does) is not remembered: after "Shut down and keep
// wallpaper", or after the program died without putting the wallpaper back, the wallpaper
// remembered before stays for the next restore. Returns whether a wallpaper was remembered.
bool SaveOldWallpaper(TDesktop& desktop);

// Puts the remembered wallpaper back exactly as it was when its file still exists (or it had
// none); otherwise the last cam picture stays. Returns whether it was put back.
bool RestoreOldWallpaper(TDesktop& desktop);
