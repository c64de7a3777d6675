// What lumora-fetch sends back, as the program reads it: the child parses hostile servers' replies, so
// its frames are read as if it could say anything. The first byte chooses the request (file or text,
// progress reports or not) and the piece size; the same bytes fed whole and in pieces must be read alike.
#include "FuzzTarget.h"
#include "net/FetchProtocol.h"

namespace {

struct TReading {
    bool Fine = true;
    bool Complete = false;
    bool TargetBegun = false;
    THTTPTransferState State;
    int ProgressReports = 0;
};

void Read(TReading& reading, const QByteArray& bytes, qsizetype pieceSize) {
    TFetchReplyReader reader(reading.State);
    const auto progress = [&](qint64 announced, qint64 readed) {
        FUZZ_REQUIRE(reading.State.Request.ReportProgress);
        FUZZ_REQUIRE(announced == reading.State.AnnouncedSize && readed == reading.State.Total);
        ++reading.ProgressReports;
    };
    for (qsizetype at = 0; at < bytes.size() && reading.Fine; at += pieceSize)
        reading.Fine = reader.Feed(bytes.mid(at, pieceSize), progress);
    // Nothing is taken once the protocol broke.
    if (!reading.Fine)
        FUZZ_REQUIRE(!reader.Feed(QByteArray(1, FetchFrame::TargetBegun), progress));
    reading.Complete = reader.Complete();
    reading.TargetBegun = reader.TargetBegun();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const QByteArray bytes(reinterpret_cast<const char*>(data + 1), static_cast<qsizetype>(size - 1));
    THTTPRequest request;
    request.ToFile = (data[0] & 1) != 0;
    request.ReportProgress = (data[0] & 2) != 0;
    request.MaxStringSize = 4096;
    const qsizetype pieceSize = 1 + (data[0] >> 2);

    TReading whole;
    whole.State.Request = request;
    Read(whole, bytes, std::max<qsizetype>(1, bytes.size()));
    TReading pieces;
    pieces.State.Request = request;
    Read(pieces, bytes, pieceSize);

    FUZZ_REQUIRE(whole.Fine == pieces.Fine && whole.Complete == pieces.Complete &&
                 whole.TargetBegun == pieces.TargetBegun && whole.ProgressReports == pieces.ProgressReports);
    for (const TReading* reading : {&whole, &pieces}) {
        const THTTPTransferState& state = reading->State;
        // A broken conversation is a failed transfer with a reason, whatever it said before.
        if (!reading->Fine)
            FUZZ_REQUIRE(!state.Success && !state.FailureReason.isEmpty());
        // A success holds what it must: a written target, or text within its bound.
        if (state.Success)
            FUZZ_REQUIRE(reading->Complete && (request.ToFile ? state.TargetWritten && reading->TargetBegun
                                                              : !state.Text.isEmpty()));
        FUZZ_REQUIRE(state.Text.size() <= request.MaxStringSize);
        FUZZ_REQUIRE(!state.TargetWritten || reading->TargetBegun);
    }
    if (whole.Fine && whole.Complete)
        FUZZ_REQUIRE(whole.State.Success == pieces.State.Success &&
                     whole.State.Status == pieces.State.Status && whole.State.Text == pieces.State.Text &&
                     whole.State.FailureReason == pieces.State.FailureReason);

    // The request the program sends, read by the child: what it reads, it reads again alike.
    if (const std::optional<THTTPRequest> decoded = DecodeFetchRequest(bytes)) {
        const QByteArray encoded = EncodeFetchRequest(*decoded);
        const std::optional<THTTPRequest> again = DecodeFetchRequest(encoded);
        FUZZ_REQUIRE(again && EncodeFetchRequest(*again) == encoded);
    }
    return 0;
}
