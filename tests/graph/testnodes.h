#pragma once

// Test-only graph items and transforms shared by the graph tests.

#include "core/runcontext.h"
#include "graph/graphmodel.h"
#include "graph/ionode.h"
#include "graph/nodefactory.h"
#include "graph/transformnode.h"
#include "transforms/catalogue.h"
#include "transforms/transform.h"

#include <functional>

// An Input-like item that serves a fixed dataset.
class SourceNode : public IONode
{

public:
    explicit SourceNode(const Dataset& data = Dataset()) : m_data(data) { }

    int type() const override { return InputNodeType; }
    QString typeName() const override { return QStringLiteral("Input"); }
    QString displayName() const override
    {
        return name().isEmpty() ? QStringLiteral("Source") : name();
    }
    bool canProcess() const override { return true; }
    int maxUpstream() const override { return 0; }
    int maxDownstream() const override { return NoLimit; }
    void upstreamProcessed() override { }

    void process(bool processDownstream, bool force) override
    {
        if (runContext().stopRequested())
            return;
        if (status() != StatusUpToDate) {
            beginProcessing();
            m_dataset.clear();
            m_warnings.clear();
            ++processCount;
            m_dataset = m_data;
            m_dataset.assignColumnIds(id());
            if (failing)
                m_warnings << QStringLiteral("Cannot read");
            endProcessing(failing ? StatusError : StatusUpToDate);
        }
        if (status() == StatusUpToDate && processDownstream) {
            for (Node* n : downstreamNodes(true))
                n->process(processDownstream, force);
        }
    }

    QVariantMap saveOptions() const override
    {
        QVariantMap options = IONode::saveOptions();
        QVariantList rows;
        for (const Dataset::Row& r : m_data.rowLists())
            rows.append(r);
        options.insert(QStringLiteral("header"), m_data.header());
        options.insert(QStringLiteral("rows"), rows);
        // As Input items store theirs, so that outputs see it in file names.
        if (!alias.isEmpty())
            options.insert(QStringLiteral("alias"), alias);
        return options;
    }
    void restoreOptions(const QVariantMap& options) override
    {
        IONode::restoreOptions(options);
        const QStringList header = options.value(QStringLiteral("header")).toStringList();
        m_data.setColumnCount(header.size());
        m_data.setHeader(header);
        for (const QVariant& r : options.value(QStringLiteral("rows")).toList())
            m_data.appendRow(r.toStringList());
    }

    void setData(const Dataset& data) { m_data = data; }
    int processCount = 0;
    bool failing = false;
    QString alias;

private:
    Dataset m_data;
};

// An Output-like item that keeps what it was given.
class SinkNode : public IONode
{

public:
    int type() const override { return OutputNodeType; }
    QString typeName() const override { return QStringLiteral("Output"); }
    QString displayName() const override { return QStringLiteral("Sink"); }
    bool canProcess() const override { return allUpstreamUpToDate(); }
    int maxUpstream() const override { return 1; }
    int maxDownstream() const override { return 0; }
    void upstreamProcessed() override { }
    void process(bool processDownstream, bool force) override
    {
        Q_UNUSED(processDownstream)
        Q_UNUSED(force)
        if (runContext().stopRequested() || status() == StatusUpToDate || !canProcess())
            return;
        beginProcessing();
        ++processCount;
        m_dataset = upstreamNodes(false).value(0)->dataset();
        endProcessing(StatusUpToDate);
    }
    int processCount = 0;
};

// Copies its input and upper-cases the columns of "Columns"; counts runs.
// Can fail, and can call a hook for every row (for stop tests).
class TestUpper : public Transform
{

public:
    QString typeKey() const override { return QStringLiteral("Test_Upper"); }
    QString displayName() const override { return QStringLiteral("Test Upper"); }
    void defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults) override
    {
        Transform::defineParameters(upstream, useUserDefaults);
        addParameter(
            ParameterType::MultipleColumns, QStringLiteral("Columns"), QStringLiteral("columns"));
        addParameter(ParameterType::Bool, QStringLiteral("Fail"), QStringLiteral("fail"));
    }
    void process(Dataset& output, const QList<TableSource*>& upstream, bool& error) override
    {
        output.clear();
        ++runs;
        if (!hasValidInputCount(upstream) || !requireParameters({ "Columns", "Fail" }))
            return;
        if (boolParameter(QStringLiteral("Fail"))) {
            addWarning(QStringLiteral("Asked to fail"));
            error = true;
            return;
        }
        output = upstream.first()->dataset();
        const QVector<int> columns = columnIndexes(QStringLiteral("Columns"));
        qint64 changed = 0;
        qint64 unchanged = 0;
        for (int r = 0; r < output.rowCount(); ++r) {
            if (rowHook)
                rowHook(r);
            if (!reportProgress(r, output.rowCount()))
                break;
            for (int c : columns) {
                const QString upper = output.value(r, c).toUpper();
                if (upper == output.value(r, c)) {
                    ++unchanged;
                } else {
                    output.setValue(r, c, upper);
                    ++changed;
                }
            }
        }
        setChangeSummary(changed, unchanged);
    }
    int runs = 0;
    std::function<void(int)> rowHook;

protected:
    Transform* newInstance() const override { return new TestUpper; }
};

// Two inputs with one key column option each; records the first value of
// each upstream dataset in the order received and appends a column.
class TestPair : public Transform
{

public:
    QString typeKey() const override { return QStringLiteral("Test_Pair"); }
    QString displayName() const override { return QStringLiteral("Test Pair"); }
    int minInputs() const override { return 2; }
    int maxInputs() const override { return 2; }
    void defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults) override
    {
        Transform::defineParameters(upstream, useUserDefaults);
        addParameter(ParameterType::SingleColumn, QStringLiteral("Column_1"),
            QStringLiteral("top key column"));
        addParameter(ParameterType::SingleColumn, QStringLiteral("Column_2"),
            QStringLiteral("bottom key column"));
    }
    bool reorderInputs(const QList<TableSource*>& upstream) override
    {
        return reorderTwoInputs(upstream, QStringLiteral("Column_1"), QStringLiteral("Column_2"));
    }
    void process(Dataset& output, const QList<TableSource*>& upstream, bool& error) override
    {
        Q_UNUSED(error)
        output.clear();
        ++runs;
        received.clear();
        for (const TableSource* n : upstream)
            received << n->dataset().value(0, 0);
        if (upstream.isEmpty())
            return;
        output = upstream.first()->dataset();
        output.insertColumn(output.columnCount(), QStringLiteral("Joined"));
        setSummary(QStringLiteral("No changes"));
    }
    int runs = 0;
    QStringList received;

protected:
    Transform* newInstance() const override { return new TestPair; }
};

// Keeps the column chosen by "Column" (reconnecting by name) and renames it
// to "New_Name" when that is set.
class TestPick : public Transform
{

public:
    QString typeKey() const override { return QStringLiteral("Test_Pick"); }
    QString displayName() const override { return QStringLiteral("Test Pick"); }
    int minInputs() const override { return 1; }
    int maxInputs() const override { return NoLimit; }
    void defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults) override
    {
        Transform::defineParameters(upstream, useUserDefaults);
        addParameter(
            ParameterType::SingleColumn, QStringLiteral("Column"), QStringLiteral("column"))
            ->setReconnectByName(reconnectByName);
        addParameter(ParameterType::Text, QStringLiteral("New_Name"), QStringLiteral("new name"))
            ->setTextRequired(false);
    }
    void process(Dataset& output, const QList<TableSource*>& upstream, bool& error) override
    {
        Q_UNUSED(error)
        output.clear();
        if (upstream.isEmpty())
            return;
        output = upstream.first()->dataset();
        const int keep = columnIndex(QStringLiteral("Column"));
        for (int c = output.columnCount() - 1; c >= 0; --c) {
            if (c != keep && keep >= 0)
                output.removeColumn(c);
        }
        const QString newName = textParameter(QStringLiteral("New_Name"));
        if (!newName.isEmpty() && output.hasColumns())
            output.setColumnName(0, newName);
    }
    bool reconnectByName = true;

protected:
    Transform* newInstance() const override { return new TestPick; }
};

inline void registerTestKinds()
{
    NodeFactory::registerKind(InputNodeType, [] { return new SourceNode; });
    NodeFactory::registerKind(OutputNodeType, [] { return new SinkNode; });
    Catalogue::instance().add(new TestUpper);
    Catalogue::instance().add(new TestPair);
    Catalogue::instance().add(new TestPick);
}

// A dataset with a header and rows of text.
inline Dataset makeDataset(const QStringList& header, const QList<QStringList>& rows)
{
    Dataset d;
    d.setColumnCount(header.size());
    d.setHeader(header);
    for (const QStringList& r : rows)
        d.appendRow(r);
    return d;
}

inline TransformNode* makeTransformNode(Transform* prototype)
{
    prototype->defineParameters({}, false);
    return new TransformNode(prototype);
}

// Two columns, "a" and "b"; the first value is given, the others numbered.
inline Dataset rows(const QString& firstValue, int count = 1)
{
    Dataset d = makeDataset({ "a", "b" }, {});
    for (int i = 0; i < count; ++i)
        d.appendRow({ i == 0 ? firstValue : QStringLiteral("v%1").arg(i), QStringLiteral("w") });
    return d;
}
