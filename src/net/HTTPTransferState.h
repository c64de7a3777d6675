#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// The bounds a transfer starts with (THTTPGet explains them), also those of the catalogue server's
// cam checks.
namespace TransferBounds {
constexpr int ConnectTimeout = 20;
constexpr int StallTimeout = 30;
constexpr int TransferTimeout = 600;
} // namespace TransferBounds

// The copies of a request that a transfer works with, taken when it starts.
struct THTTPRequest {
    QByteArray AcceptTypes;
    QByteArray Agent;
    QByteArray URL;
    // File mode: the transfer's own part file (PartFileName), never the target itself.
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

// One transfer: the request, and its outcome as the fetcher reported it.
struct THTTPTransferState {
    THTTPRequest Request;
    // File mode: the file that the part file becomes when the transfer succeeds.
    QString Target;

    bool Success = false;
    qint64 AnnouncedSize = 0; // Content-Length of the reply, 0 when unknown
    qint64 Total = 0;         // body bytes received
    QByteArray Text;          // string mode: the body, every byte as received
    QByteArray FailureReason; // for diagnostics only; the component reports failures by OnError
    long Status = 0;          // the last reply's HTTP status, for diagnostics; 0 when none came
    // The reply's Content-Type as sent, once its body began; the fetcher does not hand it on to the
    // program, which has no use for it.
    QByteArray ContentType;
    // File mode: the part file was created by this transfer and is still there.
    bool TargetWritten = false;
    // File mode: the body began, so the target was to be replaced; a failure then removes it too, as
    // no picture of the old one must be taken for the new one's.
    bool TargetBegun = false;
    // Cancel was called, so the outcome is a failure whatever the fetcher did.
    bool Cancelled = false;
};

// A file transfer writes into a part file of its own beside its target, and only a delivered
// success moves it over the target. So a reader of the target never sees a torn file, and a
// transfer that was let go, and winds down while a new one fetches into the same target, can
// neither remove nor write into the new one's file.
QString PartFileName(const QString& target);

// A transfer cut off with the program (a crash, a kill) leaves its part file behind: the next start
// removes those of a folder. Only names PartFileName gives are touched.
void RemoveLeftoverPartFiles(const QString& directory);

// Removes the part file when this transfer created it: a failed, cancelled or abandoned file
// transfer leaves nothing behind, and the target stays as it was.
void DiscardTarget(THTTPTransferState& state);

// Moves the part file of a successful transfer over its target, in one step. False, with the
// part file gone, when that is refused.
bool PublishTarget(THTTPTransferState& state);

// The rules of a LUMORA_CONNECT_TO value: comma-separated, blanks around them ignored.
QList<QByteArray> ConnectToRules(const QByteArray& value);
