#include "catalogue/CatalogueExchange.h"

#include "core/CatalogueRequest.h"
#include "core/LogCategories.h"
#include "net/HTTPGet.h"
#include "platform/ULMRLib.h"

TCatalogueExchange::TCatalogueExchange(QObject* parent)
    : QObject(parent) {
    setObjectName(QStringLiteral("CatalogueExchange"));
    m_phpGet = CreateCatalogueFetcher(true);
}

THTTPGet* TCatalogueExchange::CreateCatalogueFetcher(bool waitThread) {
    auto* fetcher = new THTTPGet(this);
    fetcher->Agent = "LMR";
    fetcher->AcceptTypes = "*/*";
    fetcher->BinaryData = false;
    fetcher->UseCache = false;
    fetcher->WaitThread = waitThread;
    connect(fetcher, &THTTPGet::OnDoneString, this, &TCatalogueExchange::PHPGetDoneString);
    connect(fetcher, &THTTPGet::OnError, this, &TCatalogueExchange::PHPGetError);
    return fetcher;
}

void TCatalogueExchange::Request(int language, qint32 storedRefID) {
    m_phpGet->URL = CatalogueServer::ScriptUrl(CatalogueServer::CatalogueScript);
    m_phpGet->PostQuery = CatalogueRequestBody(language, ComputerIdentifier().toLatin1(), storedRefID);
    m_phpGet->FetchString();
}

void TCatalogueExchange::ReplaceFetcher() {
    m_phpGet = CreateCatalogueFetcher(false);
}

void TCatalogueExchange::PHPGetDoneString(THTTPGet*, const QByteArray& Result) {
    Q_EMIT DoneString(Result);
}

void TCatalogueExchange::PHPGetError(THTTPGet* Sender) {
    qCWarning(lcCatalogue, "catalogue not fetched (%s): %s", qPrintable(Sender->LastTransferText()),
              Sender->LastFailure().constData());
    Q_EMIT Error();
}
