#pragma once

// The process memory limit. Datasets live entirely in memory, so a careless
// graph (a cross join, a pivot of a large file) could exhaust the machine.
// Every progress report of a running item checks the process's memory use
// against the user's maximum; past it, the user may raise the maximum and
// continue, or processing ends by throwing MaxMemoryException, which the
// application object turns into an orderly exit.

#include <QString>

// Thrown from a progress report when the user chose to exit. Deliberately not
// derived from std::exception so that no generic handler swallows it.
class MaxMemoryException
{
};

// What to do when the maximum is exceeded. The windows implement it with the
// "Insufficient Memory" dialog; without windows the answer is to exit.
class MemoryPrompt
{
public:
    virtual ~MemoryPrompt() = default;
    // Returns the new maximum in GB to continue with, or a value <= 0 to exit.
    // The offered maximum is never below maximumGB + 0.5.
    virtual double askToContinue(double currentGB, double maximumGB) = 0;
};

namespace MemoryLimit {

// The process's private memory in use, in GiB: anonymous resident memory
// plus what of it was swapped out, read from /proc/self/status.
double currentMemoryGB();
// Parses the content of a /proc/<pid>/status file; exposed for tests.
double memoryGBFromStatus(const QString& statusText);

// The smallest maximum the user may choose when raising it.
double minimumRaisedMaximum(double maximumGB);

// Installs the prompt (not owned); null restores "exit without asking".
void setPrompt(MemoryPrompt* prompt);
// Overrides the measurement, for tests; null restores the real one.
void setMeasurement(double (*measure)());

// The check made at the start of every progress report: nothing while the
// use is within the maximum (the max_memory_usage preference); otherwise asks
// the prompt, saves a raised maximum and returns, or throws
// MaxMemoryException.
void check();

// The status bar gauge: " Memory usage: %1 of %2GB" and its tool tip, and
// whether it is at or past the warning share (75 %).
QString gaugeText(double currentGB, double maximumGB);
QString gaugeToolTip(double currentGB, double maximumGB);
bool gaugeWarns(double currentGB, double maximumGB);

} // namespace MemoryLimit
