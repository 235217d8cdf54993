#pragma once

// Test-only items for the window tests: an upstream item whose dataset is
// set directly, so column editors and the data grid have something to show.

#include "graph/ionode.h"

#include <QSettings>
#include <QStringList>
#include <QTemporaryDir>

class DataNode : public IONode
{
public:
    explicit DataNode(const QStringList& header = {}, const QList<QStringList>& rows = {})
    {
        Dataset data;
        data.setColumnCount(header.size());
        data.setHeader(header);
        for (const QStringList& r : rows)
            data.appendRow(r);
        setData(data);
    }

    int type() const override { return InputNodeType; }
    QString typeName() const override { return QStringLiteral("Input"); }
    QString displayName() const override { return QStringLiteral("Data"); }
    bool canProcess() const override { return true; }
    int maxUpstream() const override { return 0; }
    int maxDownstream() const override { return NoLimit; }
    void upstreamProcessed() override { }
    // Serves its dataset as it is, then lets the run go on downstream.
    void process(bool processDownstream, bool force) override
    {
        if (status() != StatusUpToDate) {
            setStatus(StatusUpdating, false);
            emit processingStart(this);
            setStatus(StatusUpToDate, false);
            emit processingEnd(this);
            for (Node* n : downstreamNodes(false))
                n->upstreamProcessed();
        }
        if (processDownstream) {
            for (Node* n : downstreamNodes(true))
                n->process(true, force);
        }
    }

    // Replaces the dataset as a processing would, giving new columns ids.
    void setData(const Dataset& data)
    {
        m_dataset = data;
        m_dataset.assignColumnIds(id());
        m_status = StatusUpToDate;
    }
    Dataset& data() { return m_dataset; }
    void setMessages(const QStringList& warnings, const QStringList& information)
    {
        m_warnings = warnings;
        m_information = information;
    }
};

// Keeps the tests away from the real user's preferences.
inline void isolateSettings(const QTemporaryDir& dir)
{
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir.path());
}
