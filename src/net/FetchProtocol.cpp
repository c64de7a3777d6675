#include "net/FetchProtocol.h"

#include <QDataStream>
#include <QIODevice>
#include <QtEndian>

namespace {

constexpr auto StreamVersion = QDataStream::Qt_6_4;
// Room for the outcome's numbers and failure reason next to a text body.
constexpr qint64 OutcomeOverhead = 64 * 1024;
constexpr qint64 ProgressPayloadSize = 16;
// The payload length field is 32 bits wide.
constexpr qint64 MaxFramePayload = 0xffffffffLL;

// A stream that has read all of `bytes` and no more, without error.
bool ReadWhole(QDataStream& stream) {
    return stream.status() == QDataStream::Ok && stream.atEnd();
}

} // namespace

QByteArray EncodeFetchRequest(const THTTPRequest& request) {
    QByteArray bytes;
    QDataStream stream(&bytes, QIODevice::WriteOnly);
    stream.setVersion(StreamVersion);
    stream << request.AcceptTypes << request.Agent << request.URL << request.FileName << request.UserName
           << request.Password << request.PostQuery << request.Referer << request.BinaryData
           << request.UseCache << request.ToFile << request.ReportProgress << qint32(request.ConnectTimeout)
           << qint32(request.StallTimeout) << qint32(request.TransferTimeout) << request.MaxStringSize
           << request.MaxFileSize << request.ConnectTo.join(',');
    return bytes;
}

std::optional<THTTPRequest> DecodeFetchRequest(const QByteArray& bytes) {
    THTTPRequest request;
    qint32 connectTimeout = 0;
    qint32 stallTimeout = 0;
    qint32 transferTimeout = 0;
    // As one text: a list's count would be trusted for its allocation before a single entry is read.
    QByteArray connectTo;
    QDataStream stream(bytes);
    stream.setVersion(StreamVersion);
    stream >> request.AcceptTypes >> request.Agent >> request.URL >> request.FileName >> request.UserName >>
        request.Password >> request.PostQuery >> request.Referer >> request.BinaryData >> request.UseCache >>
        request.ToFile >> request.ReportProgress >> connectTimeout >> stallTimeout >> transferTimeout >>
        request.MaxStringSize >> request.MaxFileSize >> connectTo;
    if (!ReadWhole(stream))
        return std::nullopt;
    request.ConnectTimeout = connectTimeout;
    request.StallTimeout = stallTimeout;
    request.TransferTimeout = transferTimeout;
    request.ConnectTo = ConnectToRules(connectTo);
    return request;
}

QByteArray EncodeFetchFrame(char kind, const QByteArray& payload) {
    QByteArray frame(FetchFrame::HeaderSize, Qt::Uninitialized);
    frame[0] = kind;
    qToBigEndian(quint32(payload.size()), frame.data() + 1);
    return frame + payload;
}

QByteArray EncodeFetchProgress(qint64 totalSize, qint64 readed) {
    QByteArray payload(ProgressPayloadSize, Qt::Uninitialized);
    qToBigEndian(totalSize, payload.data());
    qToBigEndian(readed, payload.data() + 8);
    return payload;
}

QByteArray EncodeFetchOutcome(const THTTPTransferState& state) {
    // A failed transfer's text is dropped unread: what an endless body left behind stays in the child.
    const QByteArray text = state.Success ? state.Text : QByteArray();
    QByteArray bytes;
    QDataStream stream(&bytes, QIODevice::WriteOnly);
    stream.setVersion(StreamVersion);
    stream << state.Success << qint64(state.Status) << state.AnnouncedSize << state.Total
           << state.TargetWritten << state.FailureReason << text;
    return bytes;
}

TFetchReplyReader::TFetchReplyReader(THTTPTransferState& state)
    : m_state(state) {}

bool TFetchReplyReader::Feed(const QByteArray& bytes, const std::function<void(qint64, qint64)>& progress) {
    if (m_broken)
        return false;
    m_pending += bytes;
    for (char kind = NextFrame(); kind != 0; kind = NextFrame())
        if (kind == FetchFrame::Progress)
            progress(m_state.AnnouncedSize, m_state.Total);
    return !m_broken;
}

char TFetchReplyReader::NextFrame() {
    if (m_broken || m_pending.size() < FetchFrame::HeaderSize)
        return 0;
    const char kind = m_pending[0];
    const qint64 size = qFromBigEndian<quint32>(m_pending.constData() + 1);
    if (m_complete || size > MaxPayload(kind)) {
        Break("the fetcher broke its protocol");
        return 0;
    }
    if (m_pending.size() < FetchFrame::HeaderSize + size)
        return 0;
    const QByteArray payload = m_pending.mid(FetchFrame::HeaderSize, size);
    m_pending.remove(0, FetchFrame::HeaderSize + size);
    return Apply(kind, payload) ? kind : 0;
}

qint64 TFetchReplyReader::MaxPayload(char kind) const {
    switch (kind) {
    case FetchFrame::TargetBegun:
        return 0;
    case FetchFrame::Progress:
        return ProgressPayloadSize;
    case FetchFrame::Outcome:
        return std::min(MaxFramePayload,
                        (m_state.Request.ToFile ? 0 : m_state.Request.MaxStringSize) + OutcomeOverhead);
    default:
        return -1;
    }
}

bool TFetchReplyReader::Apply(char kind, const QByteArray& payload) {
    const THTTPRequest& request = m_state.Request;
    if (kind == FetchFrame::TargetBegun) {
        if (!request.ToFile)
            return Break("the fetcher broke its protocol");
        m_targetBegun = true;
        m_state.TargetWritten = true;
        m_state.TargetBegun = true;
        return true;
    }
    if (kind == FetchFrame::Progress) {
        if (payload.size() != ProgressPayloadSize || !request.ReportProgress)
            return Break("the fetcher broke its protocol");
        m_state.AnnouncedSize = qFromBigEndian<qint64>(payload.constData());
        m_state.Total = qFromBigEndian<qint64>(payload.constData() + 8);
        return true;
    }
    bool success = false;
    qint64 status = 0;
    qint64 announced = 0;
    qint64 total = 0;
    bool targetWritten = false;
    QByteArray reason;
    QByteArray text;
    QDataStream stream(payload);
    stream.setVersion(StreamVersion);
    stream >> success >> status >> announced >> total >> targetWritten >> reason >> text;
    if (!ReadWhole(stream) || status < 0 || status > 999 || announced < 0 || total < 0 ||
        text.size() > request.MaxStringSize || (targetWritten && !m_targetBegun) ||
        (success && (request.ToFile ? !targetWritten : text.isEmpty())))
        return Break("the fetcher broke its protocol");
    m_state.Success = success;
    m_state.Status = long(status);
    m_state.AnnouncedSize = announced;
    m_state.Total = total;
    m_state.TargetWritten = targetWritten;
    m_state.FailureReason = reason;
    m_state.Text = text;
    m_complete = true;
    return true;
}

bool TFetchReplyReader::Break(const char* reason) {
    m_broken = true;
    m_state.Success = false;
    m_state.FailureReason = reason;
    return false;
}
