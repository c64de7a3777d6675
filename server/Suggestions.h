#pragma once

#include "CatalogueStore.h"

#include <QByteArray>
#include <optional>

// A suggestion body as Lumora's cam dialog posts it: title, description, source, webpage, country,
// refresh, language and category, in that order. Values are kept byte for byte; "&" and "=" typed
// into a field stay in it. None when the body is not a suggestion (no "source" pair at all).
std::optional<TSuggestion> ParseSuggestion(const QByteArray& body);

// The catalogue cam an approved suggestion becomes; a refresh that is no number gives 60 seconds.
TWebCam CamFromSuggestion(const TSuggestion& suggestion, const QByteArray& category);

// A suggestion as record text, for the administrator's listing.
QByteArray SuggestionRecord(const TSuggestion& suggestion);
