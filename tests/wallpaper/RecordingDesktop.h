#pragma once

#include "core/picture/Picture.h"
#include "platform/desktop/Desktop.h"

#include <QList>
#include <QSize>
#include <functional>

// A desktop for unit tests: it holds wallpaper values like a desktop would and records every
// install. End-to-end tests use the real X11 backend instead.
class RecordingDesktop : public TDesktop {
public:
    QString Name() const override { return QStringLiteral("recording"); }

    std::optional<TDesktopWallpaper> Read() override {
        if (!Readable)
            return std::nullopt;
        return Current;
    }

    bool Write(const TDesktopWallpaper& wallpaper, const TPicture* decoded) override {
        if (!Writable)
            return false;
        Writes.append(wallpaper);
        DecodedSizes.append(decoded ? QSize(decoded->Width, decoded->Height) : QSize());
        Current = wallpaper;
        if (OnWrite)
            OnWrite(wallpaper);
        return true;
    }

    QSize StretchedSize() override { return Monitor; }

    std::optional<TDesktopSnapshot> Snapshot() override {
        if (!Readable)
            return std::nullopt;
        return TDesktopSnapshot{Current, Exact};
    }

    TDesktopWallpaper Current;
    // The desktop's own record that goes with Current, and the records put back.
    QByteArray Exact;
    QList<QByteArray> RestoredRecords;
    bool Readable = true;
    bool Writable = true;
    QList<TDesktopWallpaper> Writes;
    // The size of the pixels handed with each write; invalid when none were.
    QList<QSize> DecodedSizes;
    // The largest monitor's size, where the desktop tells it.
    QSize Monitor;
    // Told of every install; lets a test follow a desktop that its window owns and destroys.
    std::function<void(const TDesktopWallpaper&)> OnWrite;

protected:
    TExactRestore RestoreExact(const QByteArray& exact) override {
        RestoredRecords.append(exact);
        return ExactRestoreOf(Writable);
    }
};
