#pragma once

#include <QByteArray>
#include <QStringList>
#include <QWidget>
#include <optional>

class TBrowserEngine;

// The engine's form of LUMORA_CONNECT_TO's rules ("host:80:127.0.0.1:18080" each): its host mapping
// ("MAP host:80 127.0.0.1:18080", joined by ", "); empty when there is none.
QByteArray EngineHostMapping(const QByteArray& connectTo);
class TPlainBrowser;

// The messages window's browser. The engine module is loaded the first time a page is shown, so
// a run without messages never maps it. When the module is missing or its engine cannot run, a
// plain browser stands in: it shows the page's text fetched by the program, with a link that opens
// the page in the user's own browser.
class TEmbeddedWB : public QWidget {
    Q_OBJECT
public:
    explicit TEmbeddedWB(QWidget* parent = nullptr);

    // The token added to the user agent of the browser's requests.
    QByteArray UserAgent = "LMR";

    // Shows the page at the address; returns at once, the page loads on its own.
    void Go(const QByteArray& url);

    // Whether the page is shown by the engine or by the plain stand-in; neither before the first Go.
    QWidget* EngineView() const { return m_view; }
    TPlainBrowser* PlainBrowser() const { return m_plain; }

    // Where the module is looked for: the program's directory, then the installed module directory.
    static QStringList ModuleSearchPath();
    // Replaces that list (tests without the engine give an empty one); an empty optional restores it.
    static void SetModuleSearchPath(const std::optional<QStringList>& directories);

private:
    void Place(QWidget* content);
    void FallBackToPlain();

    TBrowserEngine* m_engine = nullptr;
    QWidget* m_view = nullptr;
    TPlainBrowser* m_plain = nullptr;
    QByteArray m_url;
};
