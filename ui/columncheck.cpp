#include "ui/columncheck.h"

#include "transforms/support/columnprofile.h"

ColumnCheck::ColumnCheck(const Dataset& data, const DateFormatList& dates, QObject* parent)
    : QObject(parent)
{
    m_thread = std::thread([this, data, dates] {
        QStringList traps = columnTraps(data, dates);
        {
            const std::lock_guard<std::mutex> lock(m_guard);
            m_traps = std::move(traps);
        }
        // By name: the call carries nothing across threads itself.
        QMetaObject::invokeMethod(this, "deliver", Qt::QueuedConnection);
    });
}

ColumnCheck::~ColumnCheck()
{
    if (m_thread.joinable())
        m_thread.join();
}

void ColumnCheck::deliver()
{
    QStringList traps;
    {
        const std::lock_guard<std::mutex> lock(m_guard);
        traps = m_traps;
    }
    emit finished(traps);
}
