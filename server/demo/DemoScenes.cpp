#include "DemoScenes.h"

#include "Canvas.h"

#include <array>
#include <cmath>

namespace {

constexpr double Pi = 3.14159265358979323846;
constexpr double Day = 24 * 3600;

struct TSkyKey {
    double Hour;
    TColour Top, Bottom;
};

// The sky's colours through the day; between two keys they blend.
const std::array<TSkyKey, 8> SkyKeys = {{
    {0, {8, 12, 36}, {22, 30, 66}},
    {5, {8, 12, 36}, {22, 30, 66}},
    {6.5, {70, 80, 150}, {250, 150, 90}},
    {9, {60, 120, 210}, {170, 210, 245}},
    {16, {40, 110, 220}, {160, 200, 245}},
    {19, {90, 60, 130}, {250, 120, 60}},
    {20.5, {8, 12, 36}, {22, 30, 66}},
    {24, {8, 12, 36}, {22, 30, 66}},
}};

struct TTime {
    double Seconds; // since local midnight
    double Hour() const { return Seconds / 3600; }
    // 0 by day, 1 by night, in between at dusk and dawn.
    double Night() const {
        const double h = Hour();
        if (h < 5 || h >= 20.5)
            return 1;
        if (h < 6.5)
            return (6.5 - h) / 1.5;
        if (h >= 19)
            return (h - 19) / 1.5;
        return 0;
    }
};

std::pair<TColour, TColour> SkyColours(double hour) {
    for (std::size_t i = 1; i < SkyKeys.size(); ++i) {
        const TSkyKey& a = SkyKeys[i - 1];
        const TSkyKey& b = SkyKeys[i];
        if (hour <= b.Hour) {
            const double t = (hour - a.Hour) / (b.Hour - a.Hour);
            return {Mix(a.Top, b.Top, t), Mix(a.Bottom, b.Bottom, t)};
        }
    }
    return {SkyKeys.back().Top, SkyKeys.back().Bottom};
}

// A fixed scatter of numbers in [0, 1): the same stars and windows every frame.
double Scatter(int index, int salt) {
    std::uint32_t x = std::uint32_t(index) * 2654435761u ^ std::uint32_t(salt) * 40503u;
    x ^= x >> 13;
    x *= 0x5bd1e995u;
    x ^= x >> 15;
    return (x & 0xFFFFFF) / double(0x1000000);
}

void DrawSky(TCanvas& c, const TTime& time, int horizon) {
    const auto [top, bottom] = SkyColours(time.Hour());
    c.VerticalGradient(0, horizon, top, bottom);
    const double night = time.Night();
    if (night > 0.3) {
        const TColour star = Mix({60, 60, 80}, {255, 255, 240}, night);
        const int stars = c.Width() * horizon / 2500;
        for (int i = 0; i < stars; ++i)
            c.Plot(int(Scatter(i, 1) * c.Width()), int(Scatter(i, 2) * horizon * 0.9), star);
    }
    const double h = time.Hour();
    const double radius = std::max(6.0, c.Height() * 0.05);
    // The sun crosses the sky from 6 to 18 o'clock, the moon from 18 to 6.
    const bool sun = h >= 6 && h < 18;
    const double progress = sun ? (h - 6) / 12 : std::fmod(h + 6, 24) / 12;
    const double x = c.Width() * (0.08 + 0.84 * progress);
    const double y = horizon - std::sin(progress * Pi) * horizon * 0.75;
    if (sun) {
        c.FillCircle(x, y, radius * 1.3, Mix(bottom, {255, 240, 170}, 0.4));
        c.FillCircle(x, y, radius, {255, 236, 140});
    } else {
        c.FillCircle(x, y, radius, {235, 235, 215});
        c.FillCircle(x + radius * 0.45, y - radius * 0.2, radius * 0.85, top);
    }
}

void DrawCaption(TCanvas& c, const QByteArray& caption, const TTime& time) {
    const int scale = std::max(2, c.Height() / 160);
    const int total = int(time.Seconds) % int(Day);
    const QByteArray clock = QByteArray::number(total / 3600).rightJustified(2, '0') + ':' +
                             QByteArray::number(total / 60 % 60).rightJustified(2, '0') + ':' +
                             QByteArray::number(total % 60).rightJustified(2, '0');
    const QByteArray text = caption + "  " + clock;
    const int pad = scale * 3;
    c.FillRect(pad, pad, TCanvas::TextWidth(scale, text) + 2 * pad, 7 * scale + 2 * pad, {0, 0, 0});
    c.Text(2 * pad, 2 * pad, scale, text, {255, 255, 255});
}

void DrawClock(TCanvas& c, const TTime& time) {
    const int horizon = c.Height() * 3 / 4;
    DrawSky(c, time, horizon);
    c.FillRect(0, horizon, c.Width(), c.Height() - horizon, Mix({70, 110, 60}, {15, 25, 15}, time.Night()));
    const double cx = c.Width() / 2.0, cy = c.Height() / 2.0;
    const double r = std::min(c.Width(), c.Height()) * 0.34;
    c.Line(cx, cy, cx, c.Height(), r * 0.12, {60, 60, 70});
    c.FillCircle(cx, cy, r * 1.08, {40, 40, 50});
    c.FillCircle(cx, cy, r, {250, 250, 245});
    for (int tick = 0; tick < 60; ++tick) {
        const double a = tick * Pi / 30;
        const double inner = tick % 5 == 0 ? 0.82 : 0.92;
        c.Line(cx + std::sin(a) * r * inner, cy - std::cos(a) * r * inner, cx + std::sin(a) * r * 0.97,
               cy - std::cos(a) * r * 0.97, tick % 5 == 0 ? r * 0.05 : r * 0.015, {30, 30, 30});
    }
    const double s = std::fmod(time.Seconds, 60), m = std::fmod(time.Seconds / 60, 60),
                 h = std::fmod(time.Seconds / 3600, 12);
    const auto hand = [&](double turns, double length, double width, TColour colour) {
        const double a = turns * 2 * Pi;
        c.Line(cx, cy, cx + std::sin(a) * r * length, cy - std::cos(a) * r * length, width, colour);
    };
    hand(h / 12, 0.5, r * 0.07, {20, 20, 20});
    hand(m / 60, 0.78, r * 0.045, {20, 20, 20});
    hand(std::floor(s) / 60, 0.85, r * 0.018, {200, 30, 30});
    c.FillCircle(cx, cy, r * 0.05, {200, 30, 30});
}

void DrawTraffic(TCanvas& c, const TTime& time) {
    const int horizon = c.Height() * 45 / 100;
    DrawSky(c, time, horizon);
    const double night = time.Night();
    // A skyline whose windows light up at night.
    for (int b = 0, x = 0; x < c.Width(); ++b) {
        const int width = int(c.Width() * (0.06 + 0.08 * Scatter(b, 3)));
        const int height = int(horizon * (0.25 + 0.55 * Scatter(b, 4)));
        c.FillRect(x, horizon - height, width - 2, height, Mix({110, 110, 125}, {30, 30, 40}, night));
        if (night > 0.5) {
            for (int wy = horizon - height + 8; wy < horizon - 8; wy += 14)
                for (int wx = x + 6; wx < x + width - 10; wx += 12)
                    if (Scatter(wx * 31 + wy, 5) < 0.4)
                        c.FillRect(wx, wy, 5, 7, {250, 220, 120});
        }
        x += width;
    }
    const int roadTop = horizon + c.Height() / 10, roadBottom = c.Height() - c.Height() / 12;
    c.FillRect(0, horizon, c.Width(), c.Height() - horizon, Mix({90, 140, 80}, {20, 35, 20}, night));
    c.FillRect(0, roadTop, c.Width(), roadBottom - roadTop, {55, 55, 60});
    const int middle = (roadTop + roadBottom) / 2;
    const double dash = c.Width() / 12.0;
    for (int i = -1; i < 14; ++i) {
        const double x = i * dash - std::fmod(time.Seconds * dash / 2, dash);
        c.FillRect(int(x), middle - 2, int(dash / 2), 4, {230, 230, 230});
    }
    const std::array<TColour, 6> paints = {
        {{200, 40, 40}, {40, 90, 200}, {240, 200, 40}, {230, 230, 230}, {40, 160, 80}, {30, 30, 30}}};
    const int lane = (roadBottom - roadTop) / 2;
    const double carLength = c.Width() / 9.0, carHeight = lane * 0.55;
    for (int car = 0; car < 8; ++car) {
        const bool eastbound = car % 2 == 0;
        const double speed = c.Width() * (0.08 + 0.07 * Scatter(car, 6));
        const double span = c.Width() + carLength * 2;
        double x = std::fmod(Scatter(car, 7) * span + time.Seconds * speed, span) - carLength;
        if (!eastbound)
            x = c.Width() - x - carLength;
        const int y = int((eastbound ? middle + lane * 0.2 : roadTop + lane * 0.25));
        const TColour paint = paints[std::size_t(car) % paints.size()];
        c.FillRect(int(x), y, int(carLength), int(carHeight), paint);
        c.FillRect(int(x + carLength * 0.2), int(y - carHeight * 0.45), int(carLength * 0.55),
                   int(carHeight * 0.5), Mix(paint, {0, 0, 0}, 0.25));
        c.FillCircle(x + carLength * 0.22, y + carHeight, carHeight * 0.28, {15, 15, 15});
        c.FillCircle(x + carLength * 0.78, y + carHeight, carHeight * 0.28, {15, 15, 15});
        const double front = eastbound ? x + carLength : x;
        c.FillCircle(front, y + carHeight * 0.35, carHeight * (night > 0.5 ? 0.3 : 0.12), {255, 240, 160});
    }
}

void DrawHarbour(TCanvas& c, const TTime& time) {
    const int horizon = c.Height() / 2;
    DrawSky(c, time, horizon);
    const double night = time.Night();
    const TColour deep = Mix({20, 80, 130}, {5, 15, 35}, night),
                  light = Mix({80, 150, 200}, {25, 40, 70}, night);
    for (int y = horizon; y < c.Height(); ++y) {
        const double depth = double(y - horizon) / (c.Height() - horizon);
        for (int x = 0; x < c.Width(); x += 4) {
            const double wave = std::sin(x * 0.03 / (0.3 + depth) + time.Seconds * 1.7 + y * 0.35);
            c.FillRect(x, y, 4, 1, Mix(deep, light, 0.5 + 0.5 * wave * (0.3 + depth)));
        }
    }
    // The lighthouse on its rock; after dark its beam turns once every 8 seconds.
    const double lx = c.Width() * 0.8, base = horizon + c.Height() * 0.04, towerHeight = c.Height() * 0.35;
    c.FillCircle(lx, base + c.Height() * 0.05, c.Width() * 0.09, {70, 65, 60});
    for (int band = 0; band < 5; ++band)
        c.FillRect(int(lx - c.Width() * 0.025), int(base - towerHeight * (band + 1) / 5),
                   int(c.Width() * 0.05), int(towerHeight / 5) + 1,
                   band % 2 ? TColour{200, 30, 30} : TColour{240, 240, 240});
    const double lampY = base - towerHeight - c.Height() * 0.02;
    c.FillCircle(lx, lampY, c.Width() * 0.02, night > 0.3 ? TColour{255, 245, 170} : TColour{120, 120, 110});
    if (night > 0.3) {
        const double a = std::fmod(time.Seconds, 8) / 8 * 2 * Pi;
        c.Line(lx, lampY, lx + std::cos(a) * c.Width(), lampY + std::sin(a) * c.Height() * 0.08,
               c.Height() * 0.02, {255, 245, 170});
    }
    // A boat crossing the bay in ten minutes, rocking on the waves.
    const double bx = std::fmod(time.Seconds / 600, 1) * (c.Width() + 200) - 100;
    const double by = horizon + c.Height() * 0.2 + std::sin(time.Seconds * 2) * c.Height() * 0.01;
    c.FillRect(int(bx - 50), int(by), 100, 18, {120, 60, 30});
    c.Line(bx, by, bx, by - 80, 4, {60, 40, 20});
    c.Line(bx + 3, by - 78, bx + 45, by - 10, 3, {245, 245, 235});
    c.FillRect(int(bx + 3), int(by - 78), 2, 68, {245, 245, 235});
}

void DrawPanorama(TCanvas& c, const TTime& time) {
    const int horizon = c.Height() * 7 / 10;
    DrawSky(c, time, c.Height());
    const double night = time.Night();
    struct Range {
        double Base, Rise, Frequency;
        int Salt;
        TColour Colour;
    };
    const std::array<Range, 3> ranges = {{
        {0.55, 0.30, 1.0, 11, Mix({120, 130, 160}, {30, 35, 55}, night)},
        {0.68, 0.22, 1.7, 12, Mix({80, 95, 110}, {20, 25, 40}, night)},
        {0.82, 0.12, 2.9, 13, Mix({50, 90, 50}, {12, 25, 15}, night)},
    }};
    for (const Range& range : ranges) {
        for (int x = 0; x < c.Width(); ++x) {
            const double u = double(x) / c.Width() * 2 * Pi * range.Frequency;
            const double ridge = std::sin(u * 3 + range.Salt) * 0.45 +
                                 std::sin(u * 7.3 + range.Salt * 2) * 0.2 +
                                 std::sin(u * 17.1 + range.Salt) * 0.08;
            const int top = int(c.Height() * (range.Base - range.Rise * (0.5 + 0.5 * ridge)));
            const int snowLine = int(c.Height() * (range.Base - range.Rise * 0.75));
            if (top < snowLine && range.Salt == 11)
                c.FillRect(x, top, 1, snowLine - top, Mix({245, 245, 250}, {90, 95, 120}, night));
            const int from = range.Salt == 11 ? std::max(top, snowLine) : top;
            c.FillRect(x, from, 1, c.Height() - from, range.Colour);
        }
    }
    c.FillRect(0, horizon + c.Height() / 5, c.Width(), c.Height(), Mix({40, 80, 40}, {10, 20, 10}, night));
}

} // namespace

TPicture RenderScene(TScene scene, int width, int height, double localSeconds, const QByteArray& caption) {
    TPicture picture = MakePicture(width, height);
    if (picture.IsNull())
        return picture;
    TCanvas canvas(picture);
    const TTime time{std::fmod(std::fmod(localSeconds, Day) + Day, Day)};
    switch (scene) {
    case TScene::Clock:
        DrawClock(canvas, time);
        break;
    case TScene::Sky:
        DrawSky(canvas, time, height * 5 / 6);
        canvas.FillRect(0, height * 5 / 6, width, height, Mix({60, 100, 60}, {10, 20, 10}, time.Night()));
        break;
    case TScene::Traffic:
        DrawTraffic(canvas, time);
        break;
    case TScene::Harbour:
        DrawHarbour(canvas, time);
        break;
    case TScene::Panorama:
        DrawPanorama(canvas, time);
        break;
    }
    DrawCaption(canvas, caption, time);
    return picture;
}
