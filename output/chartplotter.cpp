#include "output/chartplotter.h"

#include <atomic>

namespace {

// Set once at start-up; atomic so that a run on another thread reads it
// safely all the same.
std::atomic<ChartFileWriter> g_writer { nullptr };

} // namespace

void setChartFileWriter(ChartFileWriter writer)
{
    g_writer.store(writer);
}

ChartFileWriter chartFileWriter()
{
    return g_writer.load();
}
