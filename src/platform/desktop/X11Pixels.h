#pragma once

#include "core/picture/Picture.h"

#include <QPoint>
#include <optional>

class TX11Display;

// Moving pictures between memory and the X server in the screen's own pixel format.

// Draws the picture into a drawable of the screen's depth with its top left corner at `at`.
bool PutPicture(const TX11Display& display, unsigned long drawable, const TPicture& picture, QPoint at = {});

// Reads a drawable of the screen's depth back as a picture; empty when it cannot be read.
std::optional<TPicture> GetPicture(const TX11Display& display, unsigned long drawable, int width, int height);
