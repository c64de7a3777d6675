#pragma once

#include <QByteArray>
#include <QList>

// A cam proposed for the public catalogue, as the cam dialog's fields stand when Suggest is pressed.
struct TCamSuggestion {
    QByteArray Title;
    QByteArray Description;
    QByteArray Source;
    QByteArray Webpage;
    QByteArray Country;
    QByteArray Refresh;
    int Language = 0;
};

// The keys of a suggestion body, in the order they are sent; the catalogue server reads them in the
// same order.
const QList<QByteArray>& SuggestionKeys();

// "title=...&description=...&source=...&webpage=...&country=...&refresh=...&language=N&category=suggested".
// Every value goes in as it stands: neither trimmed nor percent-encoded, so an "&" or "=" typed into a
// field reaches the server as typed. Empty fields still send their pair.
QByteArray SuggestionBody(const TCamSuggestion& suggestion);
