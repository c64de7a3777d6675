#include "DemoPictures.h"

#include "DemoCatalogue.h"
#include "PngWriter.h"
#include "core/picture/PictureEncoders.h"

namespace {

QByteArray Encode(const TPicture& picture, TPictureFormat format) {
    switch (format) {
    case TPictureFormat::Jpeg:
        return EncodeJpeg(picture, 85);
    case TPictureFormat::Gif:
        return EncodeGif(picture);
    case TPictureFormat::Bmp:
        return EncodeBmp(picture);
    case TPictureFormat::Png:
        return EncodePng(picture);
    }
    return QByteArray();
}

QByteArray ContentType(TPictureFormat format) {
    switch (format) {
    case TPictureFormat::Jpeg:
        return "image/jpeg";
    case TPictureFormat::Gif:
        return "image/gif";
    case TPictureFormat::Bmp:
        return "image/bmp";
    case TPictureFormat::Png:
        return "image/png";
    }
    return "application/octet-stream";
}

} // namespace

std::optional<TDemoPicture> TDemoPictures::Stream(const QByteArray& fileName, int frames,
                                                  Clock::time_point now) {
    const TDemoCam* cam = FindDemoCam(fileName);
    if (!cam)
        return std::nullopt;
    static constexpr char Boundary[] = "lumoraframe";
    TDemoPicture stream{{}, QByteArray("multipart/x-mixed-replace; boundary=") + Boundary};
    for (int frame = 0; frame < frames; ++frame) {
        const std::optional<TDemoPicture> picture =
            Picture(fileName, now + std::chrono::seconds(frame * cam->FrameSeconds));
        stream.Bytes += QByteArray("--") + Boundary + "\r\nContent-Type: " + picture->ContentType +
                        "\r\nContent-Length: " + QByteArray::number(picture->Bytes.size()) + "\r\n\r\n" +
                        picture->Bytes + "\r\n";
    }
    return stream;
}

std::optional<TDemoPicture> TDemoPictures::Picture(const QByteArray& fileName, Clock::time_point now) {
    const TDemoCam* cam = FindDemoCam(fileName);
    if (!cam)
        return std::nullopt;
    std::shared_ptr<Kept> kept;
    {
        std::lock_guard lock(m_mutex);
        std::shared_ptr<Kept>& slot = m_kept[fileName];
        if (!slot)
            slot = std::make_shared<Kept>();
        kept = slot;
    }
    const qint64 utcMilliseconds =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count();
    const qint64 frame = utcMilliseconds / (qint64(cam->FrameSeconds) * 1000);
    // One cam renders one frame at a time; other cams render meanwhile.
    std::lock_guard lock(kept->Mutex);
    if (kept->Frame != frame) {
        const double localSeconds = double(frame * cam->FrameSeconds) + cam->UtcOffsetMinutes * 60.0;
        const TPicture picture = RenderScene(cam->Scene, cam->Width, cam->Height, localSeconds, cam->Caption);
        kept->Picture = {Encode(picture, cam->Format), ContentType(cam->Format)};
        kept->Frame = frame;
    }
    return kept->Picture;
}
