#include "outreach/EmbeddedWB.h"

#include "core/LogCategories.h"
#include "net/HTTPTransferState.h"
#include "outreach/BrowserEngine.h"
#include "outreach/PlainBrowser.h"
#include "platform/ULMRLib.h"

#include <QCoreApplication>
#include <QDir>
#include <QPluginLoader>
#include <QUrl>
#include <QVBoxLayout>
#include <optional>
#include <unistd.h>

namespace {

const QString ModuleFileName = QStringLiteral("lumora_embeddedwb.so");

std::optional<QStringList>& SearchPathOverride() {
    static std::optional<QStringList> directories;
    return directories;
}

// What the engine needs before it starts: it refuses to run its sandbox as root, and the routes that
// LUMORA_CONNECT_TO gives the program's own requests must hold for the page's requests too.
void PrepareEngineEnvironment() {
    if (::geteuid() == 0 && qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    const QByteArray mapping = EngineHostMapping(qgetenv("LUMORA_CONNECT_TO"));
    if (!mapping.isEmpty()) {
        QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
        flags += (flags.isEmpty() ? "" : " ") + QByteArray("--host-resolver-rules=\"") + mapping + '"';
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS", flags);
    }
}

// Loads the module once per run; null (and a warning) when it cannot be had.
TBrowserEngine* LoadBrowserEngine() {
    static QPluginLoader* loader = nullptr;
    static TBrowserEngine* engine = nullptr;
    if (engine)
        return engine;
    PrepareEngineEnvironment();
    for (const QString& directory : TEmbeddedWB::ModuleSearchPath()) {
        const QString path = QDir(directory).filePath(ModuleFileName);
        if (!QFileInfo::exists(path))
            continue;
        delete loader;
        loader = new QPluginLoader(path);
        engine = qobject_cast<TBrowserEngine*>(loader->instance());
        if (engine)
            return engine;
        qCWarning(lcBrowser) << "cannot load the browser module" << path << loader->errorString();
    }
    qCWarning(lcBrowser) << "no browser module; messages are shown as plain text";
    return nullptr;
}

} // namespace

QByteArray EngineHostMapping(const QByteArray& connectTo) {
    QList<QByteArray> mapped;
    for (const QByteArray& rule : ConnectToRules(connectTo)) {
        const QList<QByteArray> parts = rule.split(':');
        if (parts.size() == 4 && !parts.at(0).isEmpty() && !parts.at(2).isEmpty())
            mapped << "MAP " + parts.at(0) + ':' + parts.at(1) + ' ' + parts.at(2) + ':' + parts.at(3);
    }
    return mapped.join(", ");
}

TEmbeddedWB::TEmbeddedWB(QWidget* parent)
    : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
}

QStringList TEmbeddedWB::ModuleSearchPath() {
    if (SearchPathOverride())
        return *SearchPathOverride();
    return {ProgramDirectory(), QDir::cleanPath(QCoreApplication::applicationDirPath() +
                                                QStringLiteral("/" LUMORA_MODULE_FROM_BIN))};
}

void TEmbeddedWB::SetModuleSearchPath(const std::optional<QStringList>& directories) {
    SearchPathOverride() = directories;
}

void TEmbeddedWB::Go(const QByteArray& url) {
    m_url = url;
    if (!m_view && !m_plain) {
        m_engine = LoadBrowserEngine();
        if (m_engine)
            m_view = m_engine->CreateView(this, UserAgent, [this] { FallBackToPlain(); });
        if (m_view)
            Place(m_view);
    }
    if (m_view)
        m_engine->Navigate(m_view, QUrl::fromEncoded(url));
    else
        FallBackToPlain();
}

void TEmbeddedWB::Place(QWidget* content) {
    layout()->addWidget(content);
    content->show();
}

void TEmbeddedWB::FallBackToPlain() {
    if (m_view) {
        qCWarning(lcBrowser) << "the browser engine stopped; the message is shown as plain text";
        m_view->hide();
        m_view->deleteLater();
        m_view = nullptr;
    }
    if (!m_plain) {
        m_plain = new TPlainBrowser(UserAgent, this);
        Place(m_plain);
    }
    m_plain->Go(m_url);
}
