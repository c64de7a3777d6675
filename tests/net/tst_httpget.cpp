#include "TestHttpServer.h"
#include "net/HTTPGet.h"

#include <QtTest>

class TestHTTPGet : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void probe() {
        TestHttpServer server;
        server.Serve("/x?y=1", "hello");
        qputenv("LUMORA_CONNECT_TO", server.ConnectToRule("cams.example"));
        THTTPGet get;
        get.URL = "http://cams.example/x?y=1";
        get.PostQuery = "a=b&c= d";
        QSignalSpy spy(&get, &THTTPGet::OnDoneString);
        get.FetchString();
        QTRY_VERIFY(!get.Busy());
        qDebug() << spy << server.Requests().value(0).Head << server.Requests().value(0).Body;
    }
};
QTEST_GUILESS_MAIN(TestHTTPGet)
#include "tst_httpget.moc"
