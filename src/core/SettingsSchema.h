#pragma once

#include <QByteArray>
#include <QString>

// One value under the program's settings key: its name in the file, its type (bool, int or
// QByteArray) and what a missing value stands for.
template <class T> struct TSetting {
    const char* Name;
    T Default;

    QString Key() const { return QString::fromLatin1(Name); }
};

// Every value the program keeps under its settings key. The names are the ones the key has always
// had, so that a settings file written by an earlier version reads the same.
namespace Settings {

// The general values of the configuration window.
inline const TSetting<bool> Active{"Active", false};
inline const TSetting<bool> ShowMessages{"ShowMessages", false};
inline const TSetting<int> Language{"Language", 0};
inline const TSetting<bool> Stretch{"Stretch", false};

// The active cam, whose picture becomes the wallpaper. An empty URL means that no cam was ever
// committed: the program's first run.
inline const TSetting<int> CamRefID{"RefID", 0};
inline const TSetting<QByteArray> CamURL{"URL", {}};
inline const TSetting<int> CamRefresh{"Refresh", 0};
inline const TSetting<QByteArray> CamName{"Name", {}};
inline const TSetting<QByteArray> CamCategory{"Category", {}};
inline const TSetting<QByteArray> CamCountry{"Country", {}};
inline const TSetting<QByteArray> CamDescription{"Description", {}};
inline const TSetting<QByteArray> CamWebpage{"Webpage", {}};

// The user's own wallpaper, put back when the program ends: the picture file and its layout, and
// the desktop's own record of it for what the file and layout cannot hold.
inline const TSetting<QByteArray> OldWallPaper{"OldWallPaper", {}};
inline const TSetting<bool> OldStretch{"OldStretch", false};
inline const TSetting<bool> OldTileActive{"OldTileActive", false};
inline const TSetting<QByteArray> OldDesktop{"OldDesktop", {}};

} // namespace Settings
