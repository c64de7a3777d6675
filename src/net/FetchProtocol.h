#pragma once

#include "net/HTTPTransferState.h"

#include <QByteArray>
#include <functional>
#include <optional>

// The conversation between the program and lumora-fetch, the short-lived process that runs one
// transfer (so that the program itself never loads the HTTP library and its TLS stack, and never
// parses a server's reply).
//
// Both talk over one socket, the child's standard input and output, in frames:
//   1 byte kind, 4 bytes payload length (unsigned, big-endian), the payload.
// The program first sends the request as a 'Q' frame (EncodeFetchRequest). The child answers with
// these kinds, in the order they may come, and then exits with status 0:
//   'T' empty: the target file is about to be created or truncated. A transfer that ends without
//       an outcome after this frame removes the target.
//   'P' 16 bytes: progress after a chunk of the body, two signed big-endian 64-bit numbers: the
//       announced size (0 when unknown) and the body bytes so far. Sent only when the request asks
//       for progress reports; the child then waits for one byte ('.') from the program, sent once
//       the progress handler has returned, so the transfer goes on only after it.
//   'R' the outcome (QDataStream, Qt 6.4 format): bool success, qint64 HTTP status, qint64
//       announced size, qint64 body bytes, bool target still written, QByteArray failure reason,
//       QByteArray body of a successful text transfer (empty after a failure). The last frame.
// Anything else, a frame past its bound, or an end without 'R' makes the transfer fail.
namespace FetchFrame {
constexpr char Request = 'Q';
constexpr char ProgressSeen = '.';
constexpr char TargetBegun = 'T';
constexpr char Progress = 'P';
constexpr char Outcome = 'R';
constexpr int HeaderSize = 5;
} // namespace FetchFrame

QByteArray EncodeFetchRequest(const THTTPRequest& request);
std::optional<THTTPRequest> DecodeFetchRequest(const QByteArray& bytes);

QByteArray EncodeFetchFrame(char kind, const QByteArray& payload = {});
QByteArray EncodeFetchProgress(qint64 totalSize, qint64 readed);
// The outcome fields of `state`.
QByteArray EncodeFetchOutcome(const THTTPTransferState& state);

// Reads the child's frames as its bytes arrive and applies them to a transfer's state.
class TFetchReplyReader {
public:
    explicit TFetchReplyReader(THTTPTransferState& state);

    // Takes the next bytes; calls `progress` for each progress frame. False once the bytes broke
    // the protocol: the reason is in the state, and the reader takes nothing more.
    bool Feed(const QByteArray& bytes, const std::function<void(qint64, qint64)>& progress);
    // The outcome frame has been read.
    bool Complete() const { return m_complete; }
    // The child announced that it touches the target file.
    bool TargetBegun() const { return m_targetBegun; }

private:
    // Applies the next whole frame to the state and returns its kind; 0 when no whole frame is
    // there yet or the bytes broke the protocol.
    char NextFrame();
    bool Apply(char kind, const QByteArray& payload);
    bool Break(const char* reason);
    qint64 MaxPayload(char kind) const;

    THTTPTransferState& m_state;
    QByteArray m_pending;
    bool m_targetBegun = false;
    bool m_complete = false;
    bool m_broken = false;
};
