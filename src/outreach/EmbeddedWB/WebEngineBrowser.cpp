// The browser engine module: message pages in Qt WebEngine. Loaded by the messages window the first
// time it shows a message, never linked into the program.
#include "outreach/BrowserEngine.h"

#include <QGuiApplication>
#include <QOpenGLContext>
#include <QUrl>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineView>

QT_BEGIN_NAMESPACE
Q_GUI_EXPORT void qt_gl_set_global_share_context(QOpenGLContext* context);
Q_GUI_EXPORT QOpenGLContext* qt_gl_global_share_context();
QT_END_NAMESPACE

namespace {

// The engine composes its pages in a context shared with the application's. Programs that embed it
// from the start ask the application for that context before it exists; made then, it would map the
// OpenGL driver (tens of megabytes) in every run of Lumora, messages or not. So it is made here, when
// the first message is shown.
void ShareGraphicsContext() {
    if (qt_gl_global_share_context())
        return;
    auto* context = new QOpenGLContext(qApp);
    if (context->create())
        qt_gl_set_global_share_context(context);
}

class TWebEngineBrowser : public QObject, public TBrowserEngine {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID LumoraBrowserEngineIid)
    Q_INTERFACES(TBrowserEngine)

public:
    QWidget* CreateView(QWidget* parent, const QByteArray& agentToken,
                        std::function<void()> failed) override {
        ShareGraphicsContext();
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
