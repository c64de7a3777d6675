#include "core/picture/Picture.h"

#include <cstdint>
#include <cstring>

#if __has_include(<sys/mman.h>)
#include <sys/mman.h>
#endif

namespace {

// Room for the pixels of a picture of an allowed size, not yet written. A large picture is memory
// of its own, fresh from the system at every install, and filling it page by page cost a quarter
// of a 4K decode; in huge pages the system hands it over in a few hundred steps instead of
// thousands. The hint covers only whole huge pages inside the block, so no other memory is
// affected, and it goes with the block when the picture is freed.
QByteArray PixelMemory(int width, int height) {
    QByteArray pixels(TPicture::ByteCount(width, height), Qt::Uninitialized);
#ifdef MADV_HUGEPAGE
    constexpr std::uintptr_t HugePage = 2 * 1024 * 1024;
    const auto start = reinterpret_cast<std::uintptr_t>(pixels.data());
    const std::uintptr_t first = (start + HugePage - 1) & ~(HugePage - 1);
    const std::uintptr_t last = (start + std::uintptr_t(pixels.size())) & ~(HugePage - 1);
    if (last > first)
        madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
#endif
    return pixels;
}

TPicture Sized(int width, int height) {
    TPicture picture;
    if (!PictureSizeAllowed(width, height))
        return picture;
    picture.Width = width;
    picture.Height = height;
    picture.Pixels = PixelMemory(width, height);
    return picture;
}

} // namespace

TPicture MakePicture(int width, int height) {
    TPicture picture = Sized(width, height);
    if (!picture.IsNull())
        std::memset(picture.Pixels.data(), 0, std::size_t(picture.Pixels.size()));
    return picture;
}

TPicture MakeUnfilledPicture(int width, int height) {
    return Sized(width, height);
}
