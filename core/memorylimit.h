#pragma once

// The process memory limit. Datasets live entirely in memory, so a careless
// graph (a cross join, a pivot of a large file) could exhaust the machine.
// Every progress report of a running item checks the process's memory use
// against the user's maximum (RunContext::checkMemory); past it, the user may
// raise the maximum and continue, or the run stops and the scene ends it in
// an orderly way. These are the measurement and the status bar gauge.

#include <QString>

namespace MemoryLimit {

// The process's private memory in use, in GiB: resident pages that are not
// backed by a file, read from /proc/self/statm (a few microseconds, cheap
// enough for every progress report).
double currentMemoryGB();
// Parses the content of a /proc/<pid>/statm file with the given page size;
// exposed for tests.
double memoryGBFromStatm(const QByteArray& statm, long pageSize);

// The smallest maximum the user may choose when raising it.
double minimumRaisedMaximum(double maximumGB);

// The status bar gauge: " Memory usage: %1 of %2GB" and its tool tip, and
// whether it is at or past the warning share (75 %).
QString gaugeText(double currentGB, double maximumGB);
QString gaugeToolTip(double currentGB, double maximumGB);
bool gaugeWarns(double currentGB, double maximumGB);

} // namespace MemoryLimit
