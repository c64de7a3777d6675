#include "core/CamSuggestion.h"

const QList<QByteArray>& SuggestionKeys() {
    static const QList<QByteArray> keys = {"title",   "description", "source",   "webpage",
                                           "country", "refresh",     "language", "category"};
    return keys;
}

QByteArray SuggestionBody(const TCamSuggestion& s) {
    const QList<QByteArray> values = {s.Title,
                                      s.Description,
                                      s.Source,
                                      s.Webpage,
                                      s.Country,
                                      s.Refresh,
                                      QByteArray::number(s.Language),
                                      QByteArrayLiteral("suggested")};
    QByteArray body;
    for (qsizetype i = 0; i < values.size(); ++i) {
        if (i > 0)
            body += '&';
        body += SuggestionKeys().at(i) + '=' + values.at(i);
    }
    return body;
}
