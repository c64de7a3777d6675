#pragma once

#include "core/Result.h"
#include "platform/MachineIdentity.h"

#include <QString>

// Paths, help pages, the computer identifier and the version text that the whole program shares.

// The directory of the program's shipped files (the shipped language directory "lang0" with its
// texts and help pages): the executable's own directory when it holds them, as in the build tree;
// otherwise the installed data folder, `dataFromExecutable` away from it (share/lumora beside bin).
QString ShippedFilesDirectory(const QString& executableDirectory, const QString& dataFromExecutable);
// That directory for the running program.
QString ProgramDirectory();
// The program's data: language packs, the user's own cams, the messages not to show again and the
// wallpaper pictures ($XDG_DATA_HOME/lumora).
QString DataDirectory();
// Pictures that live only while the program runs: previews and downloads ($XDG_CACHE_HOME/lumora).
QString CacheDirectory();
// Where releases before kept their data: the user's documents folder followed by "Lumora".
QString OldDataDirectory();
// `base` followed by "lang" and the language number in decimal.
QString LanguageDirectory(const QString& base, int language);
// The directory a language's texts and skins are taken from: the data folder's (a downloaded pack)
// when it holds the language file, else the shipped one when that does, else the data folder's.
QString LanguageHome(int language);

// The help page in the language: the data directory's copy first, then the program directory's;
// empty when neither exists.
QString HelpPagePath(const QString& page, int language);
// Opens that page in the user's browser; does nothing when there is none.
void OpenHelpPage(const QString& page, int language);

QString FormatProcessorId(const MachineIdentity::ProcessorIds& ids);
QString FormatAdapterAddress(const MachineIdentity::HardwareAddress& address);
// The first real adapter address; the all-zero address when no adapter has one.
QString AdapterAddressText(const QList<MachineIdentity::HardwareAddress>& addresses);
QString FormatVolumeId(std::optional<std::uint32_t> volumeId);
// Processor (29 characters), adapter (17) and volume (8), without separators.
QString ComputerIdentifier();

// The program's version as four numbers joined by ".".
QString ProgramVersionText(const QString& fileName = QString());

// True when the path names an existing directory.
bool DirectoryExists(const QString& path);
// Creates the directory with all missing parents.
TResult<> ForceDirectories(const QString& path);
