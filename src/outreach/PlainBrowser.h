#pragma once

#include <QByteArray>
#include <QWidget>

class QLabel;
class QTextBrowser;
class THTTPGet;

// Stands in for the browser engine: the program fetches the page itself and shows it as rich text,
// without scripts or pictures, above a link that opens the page in the user's own browser.
class TPlainBrowser : public QWidget {
    Q_OBJECT
public:
    explicit TPlainBrowser(const QByteArray& agent, QWidget* parent = nullptr);

    void Go(const QByteArray& url);
    void OpenInBrowser() const;

    QTextBrowser* Page = nullptr;
    QLabel* OpenLink = nullptr;
    THTTPGet* PageGet = nullptr;

private:
    void PageGetDoneString(THTTPGet* Sender, const QByteArray& Result);
    void PageGetError(THTTPGet* Sender);
    THTTPGet* CreatePageGet();

    QByteArray m_agent;
    QByteArray m_url;
};
