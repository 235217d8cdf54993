#pragma once

#include <functional>

// Process-wide state of processing runs. There is one thread; these flags
// replace locks for the re-entrancy that event-loop pumping allows.
namespace RunState {

// The Stop command's request: tested before each Node and between roots, and
// by long transform loops.
bool stopRequested();
void requestStop();
void clearStopRequest();

// The memory limit check made at the start of every progress report. The
// application installs the check (it may open a dialog or throw); without
// one nothing is checked.
void setMemoryCheck(std::function<void()> check);
void checkMemory();

} // namespace RunState
