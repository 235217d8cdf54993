#pragma once

// Runs one transform through a real TransformNode fed by an in-memory
// source item, for the text transform tests.

#include "tests/graph/testnodes.h"

#include <QLocale>
#include <QStandardPaths>
#include <QStringList>
#include <QTest>
#include <QVariant>

class TransformRun
{
public:
    TransformRun(Transform* transform, const Dataset& data)
    {
        m_source = new SourceNode(data);
        m_scene.insertNode(m_source);
        m_source->process(false, false);
        transform->defineParameters({ m_source }, false);
        m_node = new TransformNode(transform);
        m_scene.insertNode(m_node);
        m_node->setPos(0, 200);
        m_scene.insertConnection(m_source, m_node);
        m_node->upstreamChanged();
    }

    Transform* transform() const { return m_node->transform(); }
    TransformNode* node() const { return m_node; }
    SourceNode* source() const { return m_source; }
    TransformParameter* parameter(const QString& key) const
    {
        TransformParameter* p = transform()->parameter(key);
        if (!p)
            qFatal("no parameter %s", qPrintable(key));
        return p;
    }

    TransformRun& set(const QString& key, const QVariant& value)
    {
        parameter(key)->setValue(value);
        return *this;
    }
    TransformRun& choose(const QString& key, const QString& choice)
    {
        TransformParameter* p = parameter(key);
        if (!p->choiceList().contains(choice))
            qFatal("no choice %s for %s", qPrintable(choice), qPrintable(key));
        p->setValue(choice);
        return *this;
    }
    TransformRun& columns(
        const QVector<int>& positions, const QString& key = QStringLiteral("Columns"))
    {
        TransformParameter* p = parameter(key);
        ColumnRefList refs;
        for (int position : positions)
            refs.append(p->referenceAt(position));
        p->setValue(QVariant::fromValue(refs));
        return *this;
    }
    TransformRun& column(int position, const QString& key)
    {
        TransformParameter* p = parameter(key);
        p->setValue(QVariant::fromValue(p->referenceAt(position)));
        return *this;
    }

    const Dataset& run()
    {
        m_node->setStatus(StatusNeedsUpdating, false);
        m_node->process(false, false);
        return m_node->dataset();
    }
    const Dataset& output() const { return m_node->dataset(); }
    QStringList outputColumn(int column) const;
    QString summary() const { return transform()->resultSummary(); }
    QStringList warnings() const { return m_node->warnings(); }
    int status() const { return m_node->status(); }

private:
    GraphModel m_scene;
    SourceNode* m_source = nullptr;
    TransformNode* m_node = nullptr;
};

inline QStringList columnValues(const Dataset& d, int column)
{
    QStringList values;
    for (int r = 0; r < d.rowCount(); ++r)
        values << d.value(r, column);
    return values;
}

inline QStringList TransformRun::outputColumn(int column) const
{
    return columnValues(output(), column);
}

// One column named "Value" holding the given values.
inline Dataset oneColumn(const QStringList& values)
{
    QList<QStringList> rows;
    for (const QString& v : values)
        rows << QStringList { v };
    return makeDataset({ QStringLiteral("Value") }, rows);
}

// Rows written as comma-separated cells ("a,,b").
inline QList<QStringList> splitRows(const QStringList& rows)
{
    QList<QStringList> result;
    for (const QString& r : rows)
        result << r.split(QLatin1Char(','));
    return result;
}

inline QStringList joinRows(const Dataset& data)
{
    QStringList rows;
    for (int r = 0; r < data.rowCount(); ++r)
        rows << data.row(r).join(QLatin1Char(','));
    return rows;
}

// Runs record statistics in the settings store: keep them out of the
// user's. Summaries use the group separators of the default locale.
inline void prepareTextTests()
{
    QStandardPaths::setTestModeEnabled(true);
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
}
