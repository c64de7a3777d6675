#include "core/picture/DecodeFailure.h"
#include "core/picture/PictureDecoders.h"

#include <algorithm>
#include <cstring>
#include <gif_lib.h>
#include <memory>
#include <vector>

namespace {

struct TGifSource {
    const QByteArray* Data = nullptr;
    qsizetype Position = 0;
};

int ReadFromMemory(GifFileType* gif, GifByteType* buffer, int wanted) {
    auto* source = static_cast<TGifSource*>(gif->UserData);
    const qsizetype count = std::min<qsizetype>(wanted, source->Data->size() - source->Position);
    std::memcpy(buffer, source->Data->constData() + source->Position, std::size_t(count));
    source->Position += count;
    return int(count);
}

struct TGifCloser {
    void operator()(GifFileType* gif) const {
        int ignored = 0;
        DGifCloseFile(gif, &ignored);
    }
};
using TGifFile = std::unique_ptr<GifFileType, TGifCloser>;

QString GifError(int code) {
    const char* text = GifErrorString(code);
    return QStringLiteral("broken GIF: %1").arg(text ? QString::fromLatin1(text) : QString::number(code));
}

// The transparent colour of the image that follows a graphic control extension, or -1.
int TransparentIndex(const GifByteType* extension) {
    if (extension && extension[0] >= 4 && (extension[1] & 0x01))
        return extension[4];
    return -1;
}

// Reads the image's rows in file order into `indices` (Width * Height), undoing interlacing.
bool ReadIndices(GifFileType* gif, std::vector<GifPixelType>& indices) {
    const int width = gif->Image.Width, height = gif->Image.Height;
    indices.assign(std::size_t(width) * std::size_t(height), 0);
    auto readRow = [&](int y) {
        return DGifGetLine(gif, indices.data() + std::size_t(y) * width, width) == GIF_OK;
    };
    if (!gif->Image.Interlace) {
        for (int y = 0; y < height; ++y)
            if (!readRow(y))
                return false;
        return true;
    }
    static constexpr int Start[] = {0, 4, 2, 1};
    static constexpr int Step[] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass)
        for (int y = Start[pass]; y < height; y += Step[pass])
            if (!readRow(y))
                return false;
    return true;
}

} // namespace

TResult<TPicture> DecodeGif(const QByteArray& data) {
    TGifSource source{&data, 0};
    int code = 0;
    TGifFile gif(DGifOpen(&source, ReadFromMemory, &code));
    if (!gif)
        return Failure(GifError(code));

    int transparent = -1;
    for (;;) {
        GifRecordType record = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif.get(), &record) != GIF_OK)
            return Failure(GifError(gif->Error));
        if (record == TERMINATE_RECORD_TYPE)
            return Failure(QStringLiteral("GIF without an image"));
        if (record == EXTENSION_RECORD_TYPE) {
            int function = 0;
            GifByteType* block = nullptr;
            if (DGifGetExtension(gif.get(), &function, &block) != GIF_OK)
                return Failure(GifError(gif->Error));
            if (function == GRAPHICS_EXT_FUNC_CODE)
                transparent = TransparentIndex(block);
            while (block)
                if (DGifGetExtensionNext(gif.get(), &block) != GIF_OK)
                    return Failure(GifError(gif->Error));
            continue;
        }
        if (record != IMAGE_DESC_RECORD_TYPE)
            continue;
        if (DGifGetImageDesc(gif.get()) != GIF_OK)
            return Failure(GifError(gif->Error));
        break;
    }

    const GifImageDesc& image = gif->Image;
    const ColorMapObject* colours = image.ColorMap ? image.ColorMap : gif->SColorMap;
    if (!colours || colours->ColorCount <= 0)
        return Failure(QStringLiteral("GIF without colours"));
    if (image.Width <= 0 || image.Height <= 0 || image.Left < 0 || image.Top < 0)
        return Failure(QStringLiteral("GIF image with an impossible position"));
    // The picture is the logical screen; an image that reaches beyond it widens it, as viewers do.
    const qint64 width = std::max<qint64>(gif->SWidth, qint64(image.Left) + image.Width);
    const qint64 height = std::max<qint64>(gif->SHeight, qint64(image.Top) + image.Height);
    if (!PictureSizeAllowed(width, height) || !PictureSizeAllowed(image.Width, image.Height))
        return SizeRefused(width, height);

    std::vector<GifPixelType> indices;
    if (!ReadIndices(gif.get(), indices))
        return Failure(GifError(gif->Error));

    TPicture picture = MakePicture(int(width), int(height));
    // Uncovered and transparent pixels show the screen's background colour when there is a global
    // table to name it, black otherwise.
    if (gif->SColorMap && gif->SBackGroundColor >= 0 && gif->SBackGroundColor < gif->SColorMap->ColorCount) {
        const GifColorType background = gif->SColorMap->Colors[gif->SBackGroundColor];
        char* pixel = picture.Pixels.data();
        for (qsizetype i = 0, n = qsizetype(width) * height; i < n; ++i, pixel += 3) {
            pixel[0] = char(background.Blue);
            pixel[1] = char(background.Green);
            pixel[2] = char(background.Red);
        }
    }
    // With a transparent colour, what the image leaves uncovered or transparent is see-through for
    // windows that draw the picture over their own background.
    if (transparent >= 0)
        picture.Opacity = QByteArray(qsizetype(width) * height, '\0');
    const GifPixelType* index = indices.data();
    for (int y = 0; y < image.Height; ++y) {
        char* pixel = picture.Row(image.Top + y) + qsizetype(image.Left) * 3;
        char* opaque =
            picture.HasOpacity() ? picture.Opacity.data() + (image.Top + y) * width + image.Left : nullptr;
        for (int x = 0; x < image.Width; ++x, ++index, pixel += 3) {
            if (*index == transparent)
                continue;
            if (opaque)
                opaque[x] = char(0xff);
            // An index beyond a short colour table is drawn black, as most viewers do.
            const GifColorType colour =
                *index < colours->ColorCount ? colours->Colors[*index] : GifColorType{0, 0, 0};
            pixel[0] = char(colour.Blue);
            pixel[1] = char(colour.Green);
            pixel[2] = char(colour.Red);
        }
    }
    return picture;
}
