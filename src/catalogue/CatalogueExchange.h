#pragma once

#include <QByteArray>
#include <QObject>

class THTTPGet;

// The catalogue exchange with the catalogue server: a short form posted to its catalogue script,
// answered by record text with the cams and the languages. Reports the reply or the failure; what
// the reply rebuilds is its owner's business.
class TCatalogueExchange : public QObject {
    Q_OBJECT
public:
    explicit TCatalogueExchange(QObject* parent);

    // Asks for the catalogue in the language, telling the server the cam the user has chosen.
    void Request(int language, qint32 storedRefID);
    // For a retry: the failed fetcher counts as busy until its error handler returns, so the next
    // request takes a new one; the old one stays until the end.
    void ReplaceFetcher();
    // The fetcher of the catalogue script; replaced by a fresh one on every retry.
    THTTPGet& PHPGet() const { return *m_phpGet; }

Q_SIGNALS:
    void DoneString(const QByteArray& Result);
    void Error();

private:
    THTTPGet* CreateCatalogueFetcher(bool waitThread);
    void PHPGetDoneString(THTTPGet* Sender, const QByteArray& Result);
    void PHPGetError(THTTPGet* Sender);

    THTTPGet* m_phpGet = nullptr;
};
