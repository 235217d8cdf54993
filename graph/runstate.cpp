#include "graph/runstate.h"

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
    if (memoryCheck())
        memoryCheck()();
}

} // namespace RunState
