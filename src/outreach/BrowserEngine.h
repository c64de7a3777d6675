#pragma once

#include <QByteArray>
#include <QtPlugin>
#include <functional>

class QUrl;
class QWidget;

// The interface of the browser engine module. The engine costs hundreds of megabytes once loaded,
// so it lives in a module of its own that the program loads only when the first message is shown.
class TBrowserEngine {
public:
    virtual ~TBrowserEngine() = default;
    // Makes a page view without border or scroll bars in which images, media and scripts run, and
    // whose requests carry `agentToken` in their user agent. `failed` is called when the engine
    // stops working for the view (its page process could not start or died).
    virtual QWidget* CreateView(QWidget* parent, const QByteArray& agentToken,
                                std::function<void()> failed) = 0;
    // Loads the address into a view made by CreateView; returns at once.
    virtual void Navigate(QWidget* view, const QUrl& url) = 0;
};

#define LumoraBrowserEngineIid "org.lumora.BrowserEngine/1"
Q_DECLARE_INTERFACE(TBrowserEngine, LumoraBrowserEngineIid)
