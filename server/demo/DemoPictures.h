#pragma once

#include <QByteArray>
#include <chrono>
#include <map>
#include <memory>
#include <mutex>
#include <optional>

struct TDemoPicture {
    QByteArray Bytes;
    QByteArray ContentType;
};

// The demo cams' pictures, rendered when asked for. Each picture is kept for its cam's frame time,
// so a crowd of clients costs one rendering per frame, never one per request.
class TDemoPictures {
public:
    using Clock = std::chrono::system_clock;

    // The picture of the demo cam with this file name ("clock-london.jpg"), as it looks at `now`.
    // None for a name that no demo cam has.
    std::optional<TDemoPicture> Picture(const QByteArray& fileName, Clock::time_point now = Clock::now());
    // The MJPEG stream of that cam from `now` on: `frames` pictures, each one frame time after the
    // one before, as parts of a "multipart/x-mixed-replace" body.
    std::optional<TDemoPicture> Stream(const QByteArray& fileName, int frames,
                                       Clock::time_point now = Clock::now());

private:
    struct Kept {
        std::mutex Mutex;
        qint64 Frame = -1;
        TDemoPicture Picture;
    };
    std::mutex m_mutex;
    std::map<QByteArray, std::shared_ptr<Kept>> m_kept;
};
