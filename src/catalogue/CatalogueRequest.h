#pragma once

#include "catalogue/UCams.h"
#include "i18n/LanguageList.h"

#include <QByteArray>
#include <QString>

// The catalogue server's scripts, all on one host.
namespace CatalogueServer {
inline constexpr const char* CatalogueScript = "/lmr/camlist3.php";
inline constexpr const char* SuggestScript = "/lmr/p_suggest.php";
inline constexpr const char* MessageScript = "/lmr/cam_message.php";

// LUMORA_CATALOGUE_HOST when set, else the host the program was built for.
QByteArray Host();
// "http://" + host + script.
QByteArray ScriptUrl(const char* script);
} // namespace CatalogueServer

// The number of the active cam last stored under the settings key; 0 when there is none.
qint32 StoredActiveRefID();

// "language=N&computer=ID", followed by "&refid=R" only for a stored catalogue cam (R above 0).
QByteArray CatalogueRequestBody(int language, const QByteArray& computer, qint32 storedRefID);

// What one catalogue reply gives: the cam list (custom cams first) and the languages.
struct TCatalogue {
    TCamList Cams;
    TLanguageList Languages;
};

// Custom cams from the file when it exists, then the reply's cams and languages.
TCatalogue ReadCatalogueReply(const QByteArray& reply, const QString& customCamsPath);
