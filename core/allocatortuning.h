#pragma once

// Settings for jemalloc, read by it at start-up when a program is linked
// with it (see CMakeLists.txt); without it the symbol is never looked at.
// Include this in exactly one source file of each program.
//
// - Freed pages go back to the system after one second instead of ten. A
//   run that lets one item's table go before the next item builds its own
//   then peaks near its largest table (the two-join job: 452-455 MB instead
//   of 475-520 MB).
// - One arena for all threads. The reader's and the writers' helper threads
//   otherwise each get an arena of their own, and what they free there
//   (blocks of text, rows handed over) can serve only them again: pages the
//   next item on the main thread cannot reuse. One arena peaked 15-25 MB
//   lower on the two-join and pivot jobs, at the same processor time (the
//   threads take memory through their own caches, rarely from the arena).
// - No transparent huge pages on request. They saved page faults, but a
//   table's pages then count whole 2 MB at a time, and on a busy machine the
//   kernel spent more system time assembling them than the faults cost:
//   a million-row read took 363-369 MB instead of 386-388 MB in the same
//   processor time.
extern "C" {
__attribute__((used)) const char* malloc_conf = "dirty_decay_ms:1000,narenas:1";
}
