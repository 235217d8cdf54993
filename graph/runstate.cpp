#include "graph/runstate.h"

#include <QElapsedTimer>

namespace {

bool g_stopRequested = false;

std::function<void()>& memoryCheck()
{
    static std::function<void()> check;
    return check;
}

} // namespace

namespace RunState {

bool stopRequested()
{
    return g_stopRequested;
}

void requestStop()
{
    g_stopRequested = true;
}

void clearStopRequest()
{
    g_stopRequested = false;
}

void setMemoryCheck(std::function<void()> check)
{
    memoryCheck() = std::move(check);
}

void checkMemory()
{
    // Progress reports come every thousand rows; measuring the process that
    // often would cost more than the check is worth, and memory cannot grow
    // far in the time between two measurements.
    static QElapsedTimer sinceLast;
    if (!memoryCheck() || (sinceLast.isValid() && sinceLast.elapsed() < 50))
        return;
    sinceLast.restart();
    memoryCheck()();
}

} // namespace RunState
