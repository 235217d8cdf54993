#pragma once

// Settings for jemalloc, read by it at start-up when a program is linked
// with it (see CMakeLists.txt); without it the symbol is never looked at.
// Include this in exactly one source file of each program.
//
// - Freed pages go back to the system after one second instead of ten. A
//   run that lets one item's table go before the next item builds its own
//   then peaks near its largest table (the two-join job: 452-455 MB instead
//   of 475-520 MB).
// - Memory comes in huge pages where the system allows them on request.
//   Building a table of a million rows touches hundreds of megabytes of
//   fresh memory, and a fault per 4 KB page was a third of the time of a
//   read; with 2 MB pages a read took half the time, for about 2-4 % more
//   memory.
extern "C" {
__attribute__((used)) const char* malloc_conf = "dirty_decay_ms:1000,thp:always";
}
