// Memory for liblzma's encoder. At the fixed 8 MiB dictionary each compression asks for tens of
// MiB (hash table, history buffer, binary tree) however small its input: fresh from the system,
// that is a page fault for every page it touches and an unmap at the end, and while other threads
// of the process run, each unmap interrupts their cores as well. The blocks of a finished
// compression are kept for the next one that asks for the same sizes, until they are released.
#pragma once

#include <lzma.h>

namespace kalvire::codec {

// The allocator to hand liblzma's encoder; safe to use from several threads at once.
const lzma_allocator* LzmaEncoderAllocator();

// Returns the kept blocks to the system: for the end of a save, so that an idle program does not
// hold them.
void ReleaseLzmaEncoderMemory();

}  // namespace kalvire::codec
