#include "store/HeapTuning.h"

#include <malloc.h>

void HeapTuning::apply()
{
    // A list of a million rows has arrays of megabytes that grow as it fills (the views keep
    // one entry a row). Taken from the heap, each growth copies them into fresh pages and
    // holds the window for tens of milliseconds; mapped on their own they grow by remapping.
    // glibc maps them so only until a large block is freed, then serves them from the heap:
    // a fixed threshold keeps that from changing.
    mallopt(M_MMAP_THRESHOLD, 1 << 20);
    // A fixed threshold also ends the heap's own growth of what it keeps when freed: without
    // this every sort would hand its buffers back and fault them in again.
    mallopt(M_TRIM_THRESHOLD, 64 << 20);
}
