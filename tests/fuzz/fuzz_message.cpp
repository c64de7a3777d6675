// A message reply from a hostile server, and messages.cam as the user's disk holds it: the same
// bytes are read as both. Turning a message away must keep every refid the file listed.
#include "FuzzTarget.h"
#include "outreach/MessageReply.h"
#include "outreach/SuppressedMessages.h"

#include <QFile>

namespace {

const QString& SuppressedFile() {
    static const QString path = FuzzScratchFolder() + QStringLiteral("/messages.cam");
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));

    const TMessageReply reply = ReadMessageReply(bytes, "http://earlier.example/");
    const TMessageReply again = ReadMessageReply(bytes, QByteArray());
    FUZZ_REQUIRE(reply.RefId == again.RefId && reply.Error == again.Error);
    if (!reply.Error.isEmpty())
        FUZZ_REQUIRE(reply.RefId == 0 && reply.Url == "http://earlier.example/" && again.Url.isEmpty());
    else
        FUZZ_REQUIRE(again.Url.isEmpty() || again.Url == reply.Url);

    {
        QFile file(SuppressedFile());
        FUZZ_REQUIRE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        FUZZ_REQUIRE(file.write(bytes) == bytes.size());
    }
    const std::optional<QList<QByteArray>> before = SuppressedMessages::Read(SuppressedFile());
    FUZZ_REQUIRE(before.has_value());
    const qint32 refid = reply.RefId != 0 ? reply.RefId : static_cast<qint32>(size);
    const bool listed = SuppressedMessages::Lists(*before, refid);

    const TMessageChoice choice = ApplyMessageChoice(SuppressedFile(), refid, true, false);
    FUZZ_REQUIRE(choice.Suppressed && choice.ShowMessages);
    const std::optional<QList<QByteArray>> after = SuppressedMessages::Read(SuppressedFile());
    FUZZ_REQUIRE(after.has_value() && SuppressedMessages::Lists(*after, refid));
    // Every line stays, in its place; only a refid not yet listed is added at the end.
    FUZZ_REQUIRE(after->size() == before->size() + (listed ? 0 : 1));
    for (qsizetype i = 0; i < before->size(); ++i)
        FUZZ_REQUIRE(after->at(i) == before->at(i));
    return 0;
}
