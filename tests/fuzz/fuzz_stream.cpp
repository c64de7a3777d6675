// An IP camera's MJPEG stream as lumora-fetch reads it: the first byte sets the size of the pieces
// the bytes arrive in, the rest is the stream after its head.
#include "FuzzTarget.h"
#include "core/picture/WholePicture.h"
#include "net/StreamFirstPicture.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1)
        return 0;
    const qsizetype piece = data[0] + 1;
    const char* stream = reinterpret_cast<const char*>(data + 1);
    const qsizetype length = static_cast<qsizetype>(size - 1);
    TStreamFirstPicture reader("frame");
    for (qsizetype at = 0; at < length && !reader.Found(); at += piece)
        reader.Feed(stream + at, std::min(piece, length - at));
    // Whatever the stream held, the picture taken from it is a whole JPEG.
    if (reader.Found())
        FUZZ_REQUIRE(reader.Picture().startsWith("\xff\xd8") && IsWholePicture(reader.Picture()));
    return 0;
}
