#pragma once

#include "core/LanguageList.h"
#include "core/UCams.h"

#include <QByteArray>
#include <QString>

// The catalogue server's scripts, all on one host.
namespace CatalogueServer {
inline constexpr const char* CatalogueScript = "/lmr/camlist3.php";
inline constexpr const char* SuggestScript = "/lmr/p_suggest.php";
inline constexpr const char* MessageScript = "/lmr/cam_message.php";

// LUMORA_CATALOGUE_HOST when set, else the host the program was built for; a port may follow the
// name, and "https://" before it asks for the catalogue over https.
QByteArray Host();
// "http://" + host + script, or host + script when the host names its scheme.
QByteArray ScriptUrl(const char* script);
} // namespace CatalogueServer

// The number of the active cam last stored under the settings key; 0 when there is none.
qint32 StoredActiveRefID();

// "language=N&computer=ID", followed by "&refid=R" only for a stored catalogue cam (R above 0).
QByteArray CatalogueRequestBody(int language, const QByteArray& computer, qint32 storedRefID);

// Reads the custom cams file into the list when it exists; a missing file holds no cams. A file that
// cannot be read, or whose bytes are not cam records, is moved aside (the returned name, e.g.
// "Custom.Cams.broken") and told on stderr, so that saving the custom cams never overwrites it.
QString LoadCustomCamsFile(TCamList& list, const QString& path);

// Appends the reply's cam records to the list (numbering them after the cams already there) and
// its language records to the languages.
void ReadCatalogueRecords(const QByteArray& reply, TCamList& cams, TLanguageList& languages);
