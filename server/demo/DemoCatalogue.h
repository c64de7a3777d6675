#pragma once

#include "CatalogueStore.h"
#include "DemoScenes.h"

#include <QByteArray>
#include <QStringList>
#include <vector>

enum class TPictureFormat { Jpeg, Gif, Bmp, Png };

// How a demo cam's picture goes out: as most cams send it, without a length as snapshot scripts
// often do, or as the MJPEG stream of an IP camera (several frames, one moment apart).
enum class TDemoDelivery { Whole, WithoutLength, Stream };

// One cam of the demo catalogue; its picture is rendered by the server when it is asked for.
struct TDemoCam {
    QByteArray FileName; // the picture's name under /demo/
    QByteArray Name;
    QByteArray Description;
    QByteArray Country;
    QByteArray Category;
    qint32 Refresh;
    TScene Scene;
    TPictureFormat Format;
    int Width, Height;
    int UtcOffsetMinutes; // the cam's local time, which its sky follows
    int FrameSeconds;     // how long one rendering stays current
    QByteArray Caption;
    TDemoDelivery Delivery = TDemoDelivery::Whole;
};

const std::vector<TDemoCam>& DemoCams();
const TDemoCam* FindDemoCam(const QByteArray& fileName);

// Fills the store with the demo catalogue: the demo cams (added once, updated in place when seeded
// again), English, German and French with the packs built from the shipped language directories,
// and a welcome message when no message is in force. Returns one line per thing done.
QStringList SeedDemoCatalogue(TCatalogueStore& store);

// The page behind the demo cams' web page address: every demo cam with its current picture.
QByteArray DemoIndexPage();
