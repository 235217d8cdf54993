#pragma once

// Asking the processor for memory a while before it is read, for the loops
// that walk millions of rows or look texts up in large tables: the waits for
// memory then overlap instead of coming one after the other.

#include <QtGlobal>

// Asks for the cache line at the address. GCC was seen to drop
// __builtin_prefetch from the row loops of the writers altogether (the loads
// feeding it are otherwise unused), so on x86 the instruction is written out.
inline void prefetchLine(const void* address)
{
#if (defined(__GNUC__) || defined(__clang__)) && (defined(__x86_64__) || defined(__i386__))
    asm volatile("prefetcht0 %0" : : "m"(*static_cast<const char*>(address)));
#elif defined(__GNUC__) || defined(__clang__)
    __builtin_prefetch(address);
#else
    Q_UNUSED(address)
#endif
}

// The same for memory about to be written (a reference count to be raised).
inline void prefetchLineForWrite(const void* address)
{
#if defined(__GNUC__) || defined(__clang__)
    __builtin_prefetch(address, 1);
#else
    Q_UNUSED(address)
#endif
}
