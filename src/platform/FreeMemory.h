#pragma once

// The C library's heap hands freed memory back to the system only from its top, and after the first
// large block is freed it starts keeping large blocks in the heap too. A program that idles in the
// tray between short bursts of work (a catalogue read, a picture decoded and installed) would keep
// the peak of every burst. These keep its idle memory to what it uses.
namespace FreeMemory {

// Large blocks (a decoded picture, a screen-sized bitmap) always get their own mapping, returned to
// the system when freed. Called once, before any work.
void KeepLargeBlocksApart();

// Returns the free pages of every heap to the system a moment after a burst of work, once the
// handlers running now and the window system have let go of their buffers.
void ReturnFreePagesSoon();

} // namespace FreeMemory
