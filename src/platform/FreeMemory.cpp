#include "platform/FreeMemory.h"

#include <QTimer>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace FreeMemory {

void KeepLargeBlocksApart() {
#if defined(__GLIBC__)
    // The C library's own starting limit; setting it keeps it from rising.
    constexpr int LargeBlockBytes = 128 * 1024;
    mallopt(M_MMAP_THRESHOLD, LargeBlockBytes);
#endif
}

void ReturnFreePagesSoon() {
#if defined(__GLIBC__)
    // One second: the event loop has handled what the burst left behind (replies, the window
    // system's buffers); a few calls in a row cost one pass over the heaps each.
    constexpr int SettleMilliseconds = 1000;
    QTimer::singleShot(SettleMilliseconds, [] { malloc_trim(0); });
#endif
}

} // namespace FreeMemory
