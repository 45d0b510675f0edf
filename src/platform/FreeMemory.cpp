#include "platform/FreeMemory.h"

// Any C library header says which C library this is.
#include <cstdlib>
#if defined(__GLIBC__)
#include <malloc.h>
#endif

void FreeMemory::giveBack() {
#if defined(__GLIBC__)
    // Every arena, the tag readers' threads' included, and every whole free page inside them.
    malloc_trim(0);
#endif
}
