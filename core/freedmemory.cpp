#include "core/freedmemory.h"

#include <cstddef>

// jemalloc's control entry point, when the program is linked with it (see
// CMakeLists.txt); weak, so that a program without it still links and the
// call does nothing.
extern "C" int mallctl(const char* name, void* oldp, size_t* oldlenp, void* newp, size_t newlen)
    __attribute__((weak));

void returnFreedMemory()
{
    // "All arenas" is arena number 4096 in jemalloc's control names.
    if (mallctl)
        mallctl("arena.4096.purge", nullptr, nullptr, nullptr, 0);
}
