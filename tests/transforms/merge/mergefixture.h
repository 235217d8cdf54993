#pragma once

// A merge transform on small in-memory datasets, run through a real graph:
// one source item per dataset, stacked from top to bottom in the order given
// and all connected to one Transform item, so that canvas order, option
// binding and the node's processing are the ones the application uses.

#include "tests/transforms/format/textharness.h"

#include <QList>
#include <QStringList>
#include <QTest>
#include <QVariant>

class MergeFixture
{
public:
    MergeFixture(Transform* prototype, const QList<Dataset>& inputs)
    {
        m_node = makeTransformNode(prototype);
        m_scene.insertNode(m_node);
        for (int i = 0; i < inputs.size(); ++i) {
            auto* source = new SourceNode(inputs.at(i));
            m_scene.insertNode(source);
            source->setPos(0, 100 * i);
            m_scene.insertConnection(source, m_node);
            m_sources.append(source);
        }
        m_node->setPos(300, 100 * inputs.size());
        m_scene.rebindAll();
        // The sources need their datasets before options can point into them.
        m_scene.process(GraphModel::RunAll, true);
    }

    Transform* transform() const { return m_node->transform(); }
    TransformNode* node() const { return m_node; }
    SourceNode* source(int i) const { return m_sources.at(i); }
    GraphModel& scene() { return m_scene; }

    // Points a column option at a column of the item it is bound to.
    void choose(const QString& key, int position)
    {
        TransformParameter* p = transform()->parameter(key);
        QVERIFY2(p, qPrintable(key));
        p->setValue(QVariant::fromValue(p->referenceAt(position)));
    }
    void set(const QString& key, const QVariant& value)
    {
        TransformParameter* p = transform()->parameter(key);
        QVERIFY2(p, qPrintable(key));
        p->setValue(value);
    }

    const Dataset& run()
    {
        m_scene.process(GraphModel::RunAll, true);
        return m_node->dataset();
    }
    const Dataset& output() const { return m_node->dataset(); }
    QString summary() const { return transform()->resultSummary(); }
    QStringList information() const { return transform()->information(); }
    QStringList warnings() const { return m_node->warnings(); }

private:
    GraphModel m_scene;
    TransformNode* m_node = nullptr;
    QList<SourceNode*> m_sources;
};

// A table written as one text: the header, then the rows, separated by ";";
// values separated by "|" (an empty piece is an empty value).
inline Dataset textTable(const QString& text)
{
    QStringList lines = text.split(QLatin1Char(';'));
    const QStringList header = lines.takeFirst().split(QLatin1Char('|'));
    QList<QStringList> rows;
    for (const QString& line : qAsConst(lines))
        rows.append(line.split(QLatin1Char('|')));
    return makeDataset(header, rows);
}

// The same form of a dataset: column names, then the rows.
inline QString tableText(const Dataset& d)
{
    QStringList lines { d.columnNames().join(QLatin1Char('|')) };
    for (const Dataset::Row& r : d.rowLists())
        lines.append(r.join(QLatin1Char('|')));
    return lines.join(QLatin1Char(';'));
}
