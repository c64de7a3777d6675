#pragma once

#include "core/picture/Picture.h"

#include <QPoint>
#include <memory>
#include <optional>

class TX11Display;

// Moving pictures between memory and the X server in the screen's own pixel format.

// Draws the picture into a drawable of the screen's depth with its top left corner at `at`.
bool PutPicture(const TX11Display& display, unsigned long drawable, const TPicture& picture, QPoint at = {});

// Draws a picture into a drawable of the screen's depth band by band, as its rows come: the server
// copies one band out while the next is made. Each Put is a picture of some rows of the same width.
// Nothing is certain to be drawn before Finish, which waits for the server.
class TX11PictureUpload {
public:
    TX11PictureUpload(const TX11Display& display, unsigned long drawable, int width, int height);
    ~TX11PictureUpload();
    TX11PictureUpload(const TX11PictureUpload&) = delete;
    TX11PictureUpload& operator=(const TX11PictureUpload&) = delete;

    bool Put(const TPicture& rows, QPoint at);
    bool Finish();

private:
    struct TBands;
    const TX11Display& m_display;
    unsigned long m_drawable;
    int m_width;
    std::unique_ptr<TBands> m_bands;
    void* m_gc = nullptr; // Xlib's GC, which this header does not name
};

// Reads a drawable of the screen's depth back as a picture; empty when it cannot be read.
std::optional<TPicture> GetPicture(const TX11Display& display, unsigned long drawable, int width, int height);
