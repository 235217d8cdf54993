#pragma once

// The traps in a table's columns, worked out on a thread of its own so that
// the window answers meanwhile (a million rows take a second or two), and
// handed back on the window's thread.

#include "core/dataset.h"
#include "core/values.h"

#include <QObject>
#include <QStringList>

#include <mutex>
#include <thread>

class ColumnCheck : public QObject
{
    Q_OBJECT

public:
    // Starts at once on a shared copy of the table.
    ColumnCheck(const Dataset& data, const DateFormatList& dates, QObject* parent = nullptr);
    // Waits for the check: it reads the table copy it holds.
    ~ColumnCheck() override;

signals:
    void finished(const QStringList& traps);

private:
    Q_INVOKABLE void deliver();

    // Handed over under a standard lock, which the thread checker sees.
    std::mutex m_guard;
    QStringList m_traps;
    std::thread m_thread;
};
