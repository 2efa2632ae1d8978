#include "requests/FreedBuffers.h"

#include <malloc.h>

namespace tonalyx::requests {

void KeepFreedBuffers() {
    // Blocks below 64 MB come from the heap, and the heap is given back only beyond 256 MB
    // free at its top.
    mallopt(M_MMAP_THRESHOLD, 64 << 20);
    mallopt(M_TRIM_THRESHOLD, 256 << 20);
}

}  // namespace tonalyx::requests
