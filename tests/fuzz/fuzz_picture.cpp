// Cam pictures and skin pictures: the first byte picks the decoder, the rest is the file.
#include "FuzzTarget.h"
#include "core/picture/PictureDecoders.h"
#include "core/picture/WholePicture.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1)
        return 0;
    const QByteArray file(reinterpret_cast<const char*>(data + 1), static_cast<qsizetype>(size - 1));
    // The same bytes as a download without a length: judged whole or not, never read out of bounds.
    (void)IsWholePicture(file);
    const int decoder = data[0] % 3;
    const TResult<TPicture> picture = decoder == 0   ? DecodeJpeg(file)
                                      : decoder == 1 ? DecodeGif(file)
                                                     : DecodeBmp(file);
    // What the header alone tells is a size the decoders allow, and theirs when they decode.
    const std::optional<QSize> header = PictureDimensions(file);
    FUZZ_REQUIRE(!header || PictureSizeAllowed(header->width(), header->height()));
    if (picture) {
        FUZZ_REQUIRE(!picture->IsNull());
        FUZZ_REQUIRE(PictureSizeAllowed(picture->Width, picture->Height));
    }
    return 0;
}
