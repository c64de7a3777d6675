// The browser engine module: message pages in Qt WebEngine. Loaded by the messages window the first
// time it shows a message, never linked into the program.
#include "outreach/BrowserEngine.h"

#include <QUrl>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineView>

namespace {

class TWebEngineBrowser : public QObject, public TBrowserEngine {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID LumoraBrowserEngineIid)
    Q_INTERFACES(TBrowserEngine)

public:
    QWidget* CreateView(QWidget* parent, const QByteArray& agentToken,
                        std::function<void()> failed) override {
        auto* view = new QWebEngineView(parent);
        // The default profile keeps everything in memory: no cookies, cache or history are left in
        // the user's folders, and nothing remains to be cleaned up at the end.
        QWebEngineProfile* profile = QWebEngineProfile::defaultProfile();
        const QString token = QString::fromLatin1(agentToken);
        if (!profile->httpUserAgent().endsWith(QLatin1Char(' ') + token))
            profile->setHttpUserAgent(profile->httpUserAgent() + QLatin1Char(' ') + token);
        auto* page = new QWebEnginePage(profile, view);
        QWebEngineSettings* settings = page->settings();
        settings->setAttribute(QWebEngineSettings::AutoLoadImages, true);
        settings->setAttribute(QWebEngineSettings::JavascriptEnabled, true);
        settings->setAttribute(QWebEngineSettings::ShowScrollBars, false);
        // Background sounds play without a click, as on the page's own site.
        settings->setAttribute(QWebEngineSettings::PlaybackRequiresUserGesture, false);
        settings->setAttribute(QWebEngineSettings::ErrorPageEnabled, true);
        view->setPage(page);
        view->setFocusPolicy(Qt::NoFocus);
        QObject::connect(page, &QWebEnginePage::renderProcessTerminated, view,
                         [failed](QWebEnginePage::RenderProcessTerminationStatus status, int) {
                             if (status != QWebEnginePage::NormalTerminationStatus && failed)
                                 failed();
                         });
        return view;
    }

    void Navigate(QWidget* view, const QUrl& url) override {
        if (auto* web = qobject_cast<QWebEngineView*>(view))
            web->setUrl(url);
    }
};

} // namespace

#include "WebEngineBrowser.moc"
