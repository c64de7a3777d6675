#include "core/picture/JpegErrors.h"
#include "core/picture/PictureEncoders.h"

#include <algorithm>
#include <cstdlib>

namespace {

struct TJpegEncode {
    jpeg_compress_struct Info{};
    TJpegErrorManager Errors;
    bool Created = false;
    unsigned char* Output = nullptr;
    unsigned long OutputSize = 0;
};

bool RunEncode(TJpegEncode& e, const TPicture& picture, int quality) {
    e.Info.err = InstallJpegErrorManager(e.Errors);
    if (setjmp(e.Errors.Jump))
        return false;
    jpeg_create_compress(&e.Info);
    e.Created = true;
    jpeg_mem_dest(&e.Info, &e.Output, &e.OutputSize);
    e.Info.image_width = JDIMENSION(picture.Width);
    e.Info.image_height = JDIMENSION(picture.Height);
    e.Info.input_components = 3;
    e.Info.in_color_space = JCS_EXT_BGR;
    jpeg_set_defaults(&e.Info);
    jpeg_set_quality(&e.Info, quality, TRUE);
    jpeg_start_compress(&e.Info, TRUE);
    while (e.Info.next_scanline < e.Info.image_height) {
        // libjpeg only reads the rows it is given, whatever the pointer type says.
        JSAMPROW row = reinterpret_cast<JSAMPROW>(const_cast<char*>(picture.Row(int(e.Info.next_scanline))));
        jpeg_write_scanlines(&e.Info, &row, 1);
    }
    jpeg_finish_compress(&e.Info);
    return true;
}

} // namespace

QByteArray EncodeJpeg(const TPicture& picture, int quality) {
    if (picture.IsNull())
        return {};
    TJpegEncode e;
    const bool encoded = RunEncode(e, picture, std::clamp(quality, 1, 100));
    if (e.Created)
        jpeg_destroy_compress(&e.Info);
    QByteArray result;
    if (encoded && e.Output)
        result = QByteArray(reinterpret_cast<const char*>(e.Output), qsizetype(e.OutputSize));
    std::free(e.Output);
    return result;
}
