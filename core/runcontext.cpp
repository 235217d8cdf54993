#include "core/runcontext.h"

#include "core/memorylimit.h"
#include "core/userprompt.h"

RunContext::RunContext() = default;

RunContext::~RunContext() = default;

void RunContext::requestStop(StopReason reason)
{
    // A memory stop outranks the user's: the run must end in the orderly
    // way the limit asks for even when Stop was pressed as well.
    if (reason == MemoryExceeded) {
        m_stop = reason;
        return;
    }
    StopReason none = NotStopped;
    m_stop.compare_exchange_strong(none, reason);
}

EngineSettings& RunContext::settings() const
{
    if (m_settings)
        return *m_settings;
    if (!m_defaults)
        m_defaults = std::make_unique<EngineSettings>();
    return *m_defaults;
}

double RunContext::measureMemoryGB() const
{
    return m_measure ? m_measure() : MemoryLimit::currentMemoryGB();
}

bool RunContext::checkMemory()
{
    if (m_stop == MemoryExceeded)
        return false;
    const double current = measureMemoryGB();
    EngineSettings& store = settings();
    const double maximum = store.maxMemoryUsage();
    if (current <= maximum)
        return true;
    const double raised = m_prompt ? m_prompt->raiseMemoryMaximum(current, maximum) : 0.0;
    if (raised > 0.0) {
        store.setMaxMemoryUsage(qMax(raised, MemoryLimit::minimumRaisedMaximum(maximum)));
        return true;
    }
    requestStop(MemoryExceeded);
    return false;
}

QString RunContext::tempFolder() const
{
    return m_tempFolder.isEmpty() ? settings().tempFolder() : m_tempFolder;
}
