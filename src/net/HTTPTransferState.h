#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <atomic>

// The worker's own copies of a request, taken when the transfer starts.
struct THTTPRequest {
    QByteArray AcceptTypes;
    QByteArray Agent;
    QByteArray URL;
    QString FileName;
    QByteArray UserName;
    QByteArray Password;
    QByteArray PostQuery;
    QByteArray Referer;
    bool BinaryData = false;
    bool UseCache = false;
    bool ToFile = false;
    // A progress handler was connected when the transfer started.
    bool ReportProgress = false;
    int ConnectTimeout = 0;
    int StallTimeout = 0;
    int TransferTimeout = 0;
    qint64 MaxStringSize = 0;
    qint64 MaxFileSize = 0;
    // libcurl connect-to rules ("host:80:127.0.0.1:18080") from LUMORA_CONNECT_TO.
    QList<QByteArray> ConnectTo;
};

// One transfer, shared by the component and its worker. The worker writes the outcome fields; the
// main thread reads them only after the worker has ended.
struct THTTPTransferState {
    THTTPRequest Request;
    // The program that runs the transfer (FetchProgram), found on the main thread.
    QByteArray FetchProgram;
    // Polled by the worker; set on the main thread by Cancel and by destroying the component.
    std::atomic<bool> CancelRequested{false};

    bool Success = false;
    qint64 AnnouncedSize = 0; // Content-Length of the reply, 0 when unknown
    qint64 Total = 0;         // body bytes received
    QByteArray Text;          // string mode: the body, every byte as received
    QByteArray FailureReason; // for diagnostics only; the component reports failures by OnError
    long Status = 0;          // the last reply's HTTP status, for diagnostics; 0 when none came
    // File mode: the target was created (or truncated) by this transfer and is still there.
    bool TargetWritten = false;

    // Set by the worker once it has written the outcome above and will touch the state no more. The main
    // thread reads the outcome after the worker's queued completion, which Qt orders after this through
    // its own locks; loading this flag states that order in the program itself, where thread checkers
    // see it.
    std::atomic<bool> WorkerEnded{false};

    // Main thread only: Cancel was called, so the outcome is a failure whatever the worker did.
    bool Cancelled = false;
};

// Removes the target file when this transfer created or truncated it: a failed or cancelled file
// transfer leaves no partial file behind. A file the transfer never touched stays.
void DiscardTarget(THTTPTransferState& state);

// The rules of a LUMORA_CONNECT_TO value: comma-separated, blanks around them ignored.
QList<QByteArray> ConnectToRules(const QByteArray& value);
