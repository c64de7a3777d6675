#include "Health.h"

#include "CatalogueStore.h"

THttpResponse HealthReply(TCatalogueStore& store, THealthDetail detail) {
    THttpResponse response;
    // A probe must see the server as it is now, never a copy kept on the way.
    response.Headers.emplace_back("Cache-Control", "no-store");
    try {
        store.CatalogueGeneration();
        response.Body = std::make_shared<const QByteArray>("ok\n");
    } catch (const TStoreError& error) {
        response.Status = 503;
        QByteArray text = "the database does not answer";
        if (detail == THealthDetail::WithCause)
            text += ": " + QByteArray(error.what()).simplified();
        response.Body = std::make_shared<const QByteArray>(text + '\n');
    }
    return response;
}
