#include "core/picture/PictureEncoders.h"

#include <QHash>
#include <bit>
#include <gif_lib.h>
#include <vector>

namespace {

struct TIndexedPicture {
    std::vector<GifColorType> Colours;
    std::vector<GifPixelType> Indices;
};

quint32 PixelKey(const char* pixel) {
    return quint32(uchar(pixel[0])) | quint32(uchar(pixel[1])) << 8 | quint32(uchar(pixel[2])) << 16;
}

// Every colour of the picture when there are at most 256 of them.
bool IndexExactly(const TPicture& picture, TIndexedPicture& indexed) {
    QHash<quint32, GifPixelType> known;
    const qsizetype count = qsizetype(picture.Width) * picture.Height;
    indexed.Indices.resize(std::size_t(count));
    const char* pixel = picture.Pixels.constData();
    for (qsizetype i = 0; i < count; ++i, pixel += 3) {
        const quint32 key = PixelKey(pixel);
        auto found = known.constFind(key);
        if (found == known.cend()) {
            if (known.size() == 256)
                return false;
            found = known.insert(key, GifPixelType(known.size()));
            indexed.Colours.push_back({GifByteType(pixel[2]), GifByteType(pixel[1]), GifByteType(pixel[0])});
        }
        indexed.Indices[std::size_t(i)] = *found;
    }
    return true;
}

// A 6 x 7 x 6 cube: green, to which the eye is most sensitive, gets one level more.
void IndexByCube(const TPicture& picture, TIndexedPicture& indexed) {
    constexpr int Reds = 6, Greens = 7, Blues = 6;
    indexed.Colours.clear();
    for (int r = 0; r < Reds; ++r)
        for (int g = 0; g < Greens; ++g)
            for (int b = 0; b < Blues; ++b)
                indexed.Colours.push_back({GifByteType(r * 255 / (Reds - 1)),
                                           GifByteType(g * 255 / (Greens - 1)),
                                           GifByteType(b * 255 / (Blues - 1))});
    const qsizetype count = qsizetype(picture.Width) * picture.Height;
    const uchar* pixel = reinterpret_cast<const uchar*>(picture.Pixels.constData());
    for (qsizetype i = 0; i < count; ++i, pixel += 3) {
        const int r = (pixel[2] * (Reds - 1) + 127) / 255;
        const int g = (pixel[1] * (Greens - 1) + 127) / 255;
        const int b = (pixel[0] * (Blues - 1) + 127) / 255;
        indexed.Indices[std::size_t(i)] = GifPixelType((r * Greens + g) * Blues + b);
    }
}

int AppendToArray(GifFileType* gif, const GifByteType* bytes, int count) {
    static_cast<QByteArray*>(gif->UserData)->append(reinterpret_cast<const char*>(bytes), count);
    return count;
}

} // namespace

QByteArray EncodeGif(const TPicture& picture) {
    if (picture.IsNull())
        return {};
    TIndexedPicture indexed;
    if (!IndexExactly(picture, indexed))
        IndexByCube(picture, indexed);
    // A GIF colour table holds a power of two entries, at least two.
    indexed.Colours.resize(std::max<std::size_t>(2, std::bit_ceil(indexed.Colours.size())));

    QByteArray result;
    int code = 0;
    GifFileType* gif = EGifOpen(&result, AppendToArray, &code);
    if (!gif)
        return {};
    ColorMapObject* map = GifMakeMapObject(int(indexed.Colours.size()), indexed.Colours.data());
    bool written = map && EGifPutScreenDesc(gif, picture.Width, picture.Height, 8, 0, map) == GIF_OK &&
                   EGifPutImageDesc(gif, 0, 0, picture.Width, picture.Height, false, nullptr) == GIF_OK;
    for (int y = 0; written && y < picture.Height; ++y)
        written = EGifPutLine(gif, indexed.Indices.data() + std::size_t(y) * picture.Width, picture.Width) ==
                  GIF_OK;
    GifFreeMapObject(map);
    if (EGifCloseFile(gif, &code) != GIF_OK)
        written = false;
    return written ? result : QByteArray();
}
