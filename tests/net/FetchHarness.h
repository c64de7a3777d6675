#pragma once

#include "TestHttpServer.h"
#include "net/HTTPGet.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QObject>
#include <QStringList>
#include <QTest>
#include <QThread>
#include <QTimer>

// Sends every fetch for cams.example and localhost to `server` (the addresses keep port 80) and
// keeps any proxy of the machine out of the way.
inline void RouteToServer(const TestHttpServer& server) {
    for (const char* name : {"http_proxy", "HTTP_PROXY", "all_proxy", "ALL_PROXY", "no_proxy", "NO_PROXY"})
        qunsetenv(name);
    qputenv("LUMORA_CONNECT_TO",
            server.ConnectToRule("cams.example") + "," + server.ConnectToRule("localhost"));
}

// Records the completion events of one component, as they arrive.
class FetchRecord : public QObject {
public:
    explicit FetchRecord(THTTPGet& get) {
        connect(&get, &THTTPGet::OnDoneFile, this,
                [this](THTTPGet* sender, const QString& name, qint64 size) {
                    Note(sender, "file");
                    FileName = name;
                    FileSize = size;
                });
        connect(&get, &THTTPGet::OnDoneString, this, [this](THTTPGet* sender, const QByteArray& text) {
            Note(sender, "string");
            Text = text;
        });
        connect(&get, &THTTPGet::OnError, this, [this](THTTPGet* sender) { Note(sender, "error"); });
    }

    QStringList Events;
    QString FileName;
    qint64 FileSize = -1;
    QByteArray Text;
    bool OffMainThread = false;
    bool IdleDuringEvent = false;

private:
    void Note(THTTPGet* sender, const char* event) {
        Events.append(QString::fromLatin1(event));
        OffMainThread = OffMainThread || QThread::currentThread() != qApp->thread();
        IdleDuringEvent = IdleDuringEvent || !sender->Busy();
    }
};

// Runs the event loop until the component has delivered its outcome. A real loop rather than a
// polling wait, which sleeps between turns: every progress report needs a turn of the main loop.
inline bool WaitUntilIdle(const THTTPGet& get, int milliseconds = 15000) {
    if (get.Busy()) {
        QEventLoop loop;
        // Queued: the component is idle once its completion event has returned.
        QObject::connect(&get, &THTTPGet::OnDoneFile, &loop, &QEventLoop::quit, Qt::QueuedConnection);
        QObject::connect(&get, &THTTPGet::OnDoneString, &loop, &QEventLoop::quit, Qt::QueuedConnection);
        QObject::connect(&get, &THTTPGet::OnError, &loop, &QEventLoop::quit, Qt::QueuedConnection);
        QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return !get.Busy();
}
