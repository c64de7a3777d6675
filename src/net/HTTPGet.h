#pragma once

#include "net/HTTPTransferState.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <memory>

class TFetchProcess;

// The program's HTTP component: one GET or POST at a time, with the outcome reported through the
// events below. A window owns one component per purpose (catalogue, wallpaper picture, preview,
// ...), so different purposes run side by side. Each transfer runs in lumora-fetch, a short-lived
// child process (FetchProtocol.h), so the program never loads libcurl nor parses a reply itself.
// The component drives its child on the event loop of its own thread (TFetchProcess): no other
// thread is involved, and every event is raised on that thread, from the event loop itself, so a
// handler may do anything, destroying the component included.
//
// Properties are plain fields; a transfer takes copies when it starts, so changing them during a
// transfer does not affect it.
class THTTPGet : public QObject {
    Q_OBJECT
public:
    // The component's own agent text, for instances that do not set theirs.
    static constexpr char DefaultAgent[] = "Lumora";
    // The agent text the program's picture and suggestion fetchers send: servers of public cams
    // answer a browser.
    static constexpr char BrowserAgent[] = "Mozilla/4.0 (compatible; MSIE 6.0; Win32)";

    explicit THTTPGet(QObject* parent = nullptr);
    // Cancels a running transfer; no event is raised for it afterwards, and its part file goes. Its
    // child is killed and reaped here, which takes a moment at most.
    ~THTTPGet() override;

    // Media types sent in the Accept header; empty sends none.
    QByteArray AcceptTypes = "*/*";
    // User-Agent header; empty sends none. Every instance of the program sets its own.
    QByteArray Agent = DefaultAgent;
    // The body is a picture or a pack. A reply without a Content-Length is taken only when it is a
    // picture whole by its own format (see WholePicture.h); an MJPEG stream gives its first whole
    // picture.
    bool BinaryData = false;
    // "http://" or "https://", host, optional port and path: "https://[2001:db8::5]:8443/x.jpg". The
    // scheme is optional (plain http) and its case ignored. https checks the certificate against
    // the system's trust store and the host name, and never goes back to plain http on a redirect.
    QByteArray URL;
    // False asks every cache on the way for a fresh copy.
    bool UseCache = false;
    // Target of a file transfer. The body goes into a part file beside it, which replaces the
    // target only when the transfer succeeds. A transfer that fails or is cancelled once its body
    // began removes the target, as the target was to be replaced; its part file goes either way.
    QString FileName;
    // Credentials sent to the server when the user name is not empty.
    QByteArray UserName;
    QByteArray Password;
    // Not empty: the request is a POST with exactly these bytes as its form body.
    QByteArray PostQuery;
    // Sent as the Referer header when not empty.
    QByteArray Referer;
    // FetchString: dispatch the events already queued before returning.
    // FetchFile: dispatch events until the transfer has ended and its event has returned.
    bool WaitThread = false;

    // Bounds that keep a dead or hostile server from holding the component busy for ever: the
    // connection (name lookup included) must be made within ConnectTimeout seconds, and the transfer
    // fails once it has run slower than one byte a second for StallTimeout seconds (a server that
    // never answers, or stops in the middle of the body). Zero switches the stall bound off and leaves
    // the connection to libcurl's own limit. A server that trickles its reply a few bytes a second
    // keeps above the stall bound: the whole transfer must end within TransferTimeout seconds, which is
    // ample for the largest picture or pack at any connection speed still in use; zero switches it off.
    int ConnectTimeout = TransferBounds::ConnectTimeout;
    int StallTimeout = TransferBounds::StallTimeout;
    int TransferTimeout = TransferBounds::TransferTimeout;
    // A string reply longer than this fails: no catalogue or message reply comes near it.
    qint64 MaxStringSize = 64 * 1024 * 1024;
    // A file larger than this fails, so that no reply can fill the disk: an announced Content-Length
    // above it fails before the target file is touched, a body growing past it fails at that point.
    // Every fetcher sets the largest file of its kind (MaxPictureFileBytes, MaxPackFileBytes); the
    // default only bounds a fetcher that forgot to.
    qint64 MaxFileSize = qint64(1024) * 1024 * 1024;

    // Start a transfer into FileName, or into a string. A busy component drops the request
    // silently; the running transfer goes on.
    void FetchFile();
    void FetchString();
    // Stops the running transfer; it ends with OnError, and the part file it was writing is removed.
    void Cancel();

    // A transfer is running; cleared only after its completion event has returned, so a handler
    // that starts a new transfer on the same component is ignored.
    bool Busy() const { return m_running != nullptr; }
    // Outcome of the last completed transfer.
    bool LastResult() const { return m_lastResult; }
    // Why the last completed transfer failed; empty after a success. For telling the user on stderr.
    const QByteArray& LastFailure() const { return m_lastFailure; }
    // The HTTP status of the last completed transfer's reply; 0 when no reply came. A reply is
    // delivered whatever its status, so a picture that does not decode may be an error page.
    int LastStatus() const { return m_lastStatus; }
    // The last completed transfer's address and, when a reply came, its status, for a warning:
    // "http://cams.example/a.jpg, HTTP 404".
    QString LastTransferText() const;

    // Fetcher processes of the whole program not yet reaped (a destroyed component reaps its own at
    // once). Lets shutdown and tests wait for the network to go quiet.
    static int RunningFetchers();

Q_SIGNALS:
    // After each chunk of the body, when connected before the transfer started; the transfer goes
    // on once the handler has returned. TotalSize is the announced size (0 when unknown).
    void OnProgress(THTTPGet* Sender, qint64 TotalSize, qint64 Readed);
    // A file transfer succeeded: FileSize is the announced size, equal to the bytes written.
    void OnDoneFile(THTTPGet* Sender, const QString& FileName, qint64 FileSize);
    // A string transfer succeeded with at least one byte; every byte is kept as received.
    void OnDoneString(THTTPGet* Sender, const QByteArray& Result);
    // The transfer failed or was cancelled; a file transfer's target was removed if its body had begun.
    void OnError(THTTPGet* Sender);

private:
    enum class Mode { File, String };
    void Start(Mode mode);
    void ReportProgress(qint64 totalSize, qint64 readed);
    void DeliverResult();

    std::unique_ptr<TFetchProcess> m_running;
    bool m_lastResult = false;
    QByteArray m_lastUrl;
    QByteArray m_lastFailure;
    int m_lastStatus = 0;
};
