#include "SkinPicture.h"

#include <QHash>
#include <QPainter>
#include <algorithm>
#include <array>
#include <vector>

TPicture SkinPicture(const QImage& image, const QColor& ground) {
    QImage flat(image.size(), QImage::Format_RGB32);
    flat.setDevicePixelRatio(image.devicePixelRatio());
    flat.fill(ground);
    QPainter(&flat).drawImage(0, 0, image);
    TPicture picture = MakePicture(flat.width(), flat.height());
    for (int y = 0; y < flat.height(); ++y) {
        const QRgb* source = reinterpret_cast<const QRgb*>(flat.constScanLine(y));
        char* target = picture.Row(y);
        for (int x = 0; x < flat.width(); ++x) {
            target[3 * x] = char(qBlue(source[x]));
            target[3 * x + 1] = char(qGreen(source[x]));
            target[3 * x + 2] = char(qRed(source[x]));
        }
    }
    return picture;
}

namespace {

constexpr int MaxColours = 256;

struct TColourCount {
    std::array<int, 3> Channels; // blue, green, red as the picture stores them
    qint64 Count;
};
using TBox = std::vector<TColourCount>;

quint32 KeyOf(const char* pixel) {
    return quint32(uchar(pixel[0])) | quint32(uchar(pixel[1])) << 8 | quint32(uchar(pixel[2])) << 16;
}

// The channel with the widest range in the box, and that range.
std::pair<int, int> WidestChannel(const TBox& box) {
    std::pair<int, int> widest{0, -1};
    for (int channel = 0; channel < 3; ++channel) {
        const auto [low, high] =
            std::minmax_element(box.begin(), box.end(), [&](const auto& a, const auto& b) {
                return a.Channels[channel] < b.Channels[channel];
            });
        const int range = high->Channels[channel] - low->Channels[channel];
        if (range > widest.second)
            widest = {channel, range};
    }
    return widest;
}

// Splits boxes at the weighted median of their widest channel until there are enough of them.
std::vector<TBox> MedianCut(TBox all) {
    std::vector<TBox> boxes{std::move(all)};
    while (boxes.size() < MaxColours) {
        std::size_t chosen = 0;
        std::pair<int, int> split{0, 0};
        for (std::size_t i = 0; i < boxes.size(); ++i) {
            const std::pair<int, int> widest = WidestChannel(boxes[i]);
            if (widest.second > split.second) {
                chosen = i;
                split = widest;
            }
        }
        if (split.second == 0)
            break;
        TBox& box = boxes[chosen];
        std::sort(box.begin(), box.end(), [&](const auto& a, const auto& b) {
            return a.Channels[split.first] < b.Channels[split.first];
        });
        qint64 total = 0;
        for (const TColourCount& colour : box)
            total += colour.Count;
        qint64 running = 0;
        std::size_t middle = 0;
        while (middle < box.size() - 1 && running + box[middle].Count <= total / 2)
            running += box[middle++].Count;
        middle = std::max<std::size_t>(middle, 1);
        TBox upper(box.begin() + std::ptrdiff_t(middle), box.end());
        box.resize(middle);
        boxes.push_back(std::move(upper));
    }
    return boxes;
}

} // namespace

TPicture WithFewColours(const TPicture& picture) {
    QHash<quint32, qint64> histogram;
    const qsizetype pixels = qsizetype(picture.Width) * picture.Height;
    for (qsizetype i = 0; i < pixels; ++i)
        ++histogram[KeyOf(picture.Pixels.constData() + 3 * i)];
    if (histogram.size() <= MaxColours)
        return picture;

    TBox all;
    for (auto it = histogram.cbegin(); it != histogram.cend(); ++it)
        all.push_back(
            {{int(it.key() & 0xff), int(it.key() >> 8 & 0xff), int(it.key() >> 16 & 0xff)}, it.value()});
    // The hash's order changes from run to run; the same picture must always give the same file, or
    // every build would make a pack that differs from the one the server offers.
    std::sort(all.begin(), all.end(), [](const auto& a, const auto& b) { return a.Channels < b.Channels; });
    QHash<quint32, std::array<char, 3>> replacement;
    for (const TBox& box : MedianCut(std::move(all))) {
        std::array<qint64, 3> sums{};
        qint64 count = 0;
        for (const TColourCount& colour : box) {
            for (int c = 0; c < 3; ++c)
                sums[std::size_t(c)] += qint64(colour.Channels[std::size_t(c)]) * colour.Count;
            count += colour.Count;
        }
        const std::array<char, 3> average{char(sums[0] / count), char(sums[1] / count),
                                          char(sums[2] / count)};
        for (const TColourCount& colour : box)
            replacement.insert(quint32(colour.Channels[0]) | quint32(colour.Channels[1]) << 8 |
                                   quint32(colour.Channels[2]) << 16,
                               average);
    }
    TPicture reduced = picture;
    for (qsizetype i = 0; i < pixels; ++i) {
        char* pixel = reduced.Pixels.data() + 3 * i;
        const std::array<char, 3> colour = replacement.value(KeyOf(pixel));
        std::copy(colour.begin(), colour.end(), pixel);
    }
    return reduced;
}
