#pragma once

#include "core/picture/Picture.h"

#include <QByteArray>

enum class TScene {
    Clock,    // a station clock in front of the sky of the hour
    Sky,      // sky, sun, moon and stars following the time of day
    Traffic,  // a road with cars driving by, lights on at night
    Harbour,  // waves, a boat and a lighthouse whose beam turns at night
    Panorama, // a mountain range under the sky of the hour
};

// The scene as it looks at `localSeconds` after local midnight, with the caption in a corner.
TPicture RenderScene(TScene scene, int width, int height, double localSeconds, const QByteArray& caption);
