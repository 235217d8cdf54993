#include "input/recordtree.h"

#include "core/optionmap.h"

#include <algorithm>

RecordFlattener::RecordFlattener(Dataset* dataset, int layout, bool ignoreEmptyRows)
    : m_dataset(dataset), m_long(layout == LayoutLong), m_ignoreEmptyRows(ignoreEmptyRows)
{
}

RecordNode* appendChild(RecordNode* parent, RecordNode::Kind kind, const QString& name)
{
    parent->children.emplace_back();
    RecordNode* node = &parent->children.back();
    node->kind = kind;
    if (parent->kind == RecordNode::Object)
        node->name = name;
    return node;
}

void orderMembers(RecordNode* object)
{
    auto& c = object->children;
    const auto plain = [](const RecordNode& n) { return n.kind == RecordNode::Plain; };
    const auto isObject = [](const RecordNode& n) { return n.kind == RecordNode::Object; };
    // Most records are in order already; sorting costs only when not.
    if (!std::is_partitioned(c.begin(), c.end(), plain))
        std::stable_partition(c.begin(), c.end(), plain);
    const auto objectsAt = std::partition_point(c.begin(), c.end(), plain);
    if (!std::is_partitioned(objectsAt, c.end(), isObject))
        std::stable_partition(objectsAt, c.end(), isObject);
}

void RecordFlattener::reset()
{
    if (m_dataset)
        m_dataset->clear();
    m_columns.clear();
    m_names.clear();
    m_collected.clear();
    m_rows = 0;
}

void RecordFlattener::setNames(const QStringList& names)
{
    // The names often come from a list another thread goes on growing (the
    // JSON lines chunks): made this flattener's own here, so that adding a
    // name never grows a list that is still shared.
    m_names = names;
    m_names.detach();
    m_columns.clear();
    for (int i = 0; i < names.size(); ++i)
        m_columns.insert(names.at(i), i);
}

int RecordFlattener::column(const QString& path)
{
    const auto it = m_columns.constFind(path);
    if (it != m_columns.constEnd())
        return *it;
    const int index = m_names.size();
    m_names.append(path);
    m_columns.insert(path, index);
    return index;
}

void RecordFlattener::addRecord(const RecordNode& record)
{
    // Most records hold plain values only: one row, straight from the tree.
    const bool flat = record.kind == RecordNode::Object
        && std::all_of(record.children.cbegin(), record.children.cend(),
            [](const RecordNode& child) { return child.kind == RecordNode::Plain; });
    if (flat) {
        m_cells.resize(0);
        for (const RecordNode& child : record.children)
            m_cells.append(qMakePair(column(child.name), child.value));
        addRow(m_cells);
        return;
    }
    const QVector<Cells> rows = expand(record, QString());
    for (const Cells& cells : rows)
        addRow(cells);
}

void RecordFlattener::addRow(const Cells& cells)
{
    const bool empty = std::all_of(cells.cbegin(), cells.cend(),
        [](const QPair<int, QString>& cell) { return cell.second.isEmpty(); });
    if (empty && m_ignoreEmptyRows)
        return;
    if (!m_dataset) {
        collectRow(cells);
        return;
    }
    // A table without columns has no place for a row.
    if (m_names.isEmpty())
        return;
    if (m_rows == 0)
        m_dataset->appendRow(QStringList());
    // New columns widen the rows before; they come early in most files.
    if (m_names.size() > m_dataset->columnCount())
        m_dataset->setColumnCount(m_names.size());
    QStringList row;
    row.reserve(m_names.size());
    for (int c = 0; c < m_names.size(); ++c)
        row.append(QString());
    for (const auto& cell : cells)
        row[cell.first] = cell.second;
    m_dataset->appendRow(row);
    ++m_rows;
}

void RecordFlattener::collectRow(const Cells& cells)
{
    QStringList row;
    if (!m_names.isEmpty()) {
        row.reserve(m_names.size());
        for (int c = 0; c < m_names.size(); ++c)
            row.append(QString());
        if (m_pools)
            growPools(m_pools, size_t(m_names.size()), m_arena);
        for (const auto& cell : cells)
            row[cell.first] = m_pools && !cell.second.isEmpty()
                ? (*m_pools)[size_t(cell.first)].intern(cell.second)
                : cell.second;
    }
    m_collected.push_back(std::move(row));
    ++m_rows;
}

// A node gives one row, or several when Long layout turns arrays into rows.
// The rows of several arrays in one object follow each other, each carrying
// the object's single-row members: the plain values repeat on every row the
// arrays produce, and no array is multiplied by another.
QVector<RecordFlattener::Cells> RecordFlattener::expand(const RecordNode& node, const QString& path)
{
    if (node.kind == RecordNode::Plain) {
        if (path.isEmpty() && node.name.isEmpty() && node.children.empty())
            return { Cells { qMakePair(column(QStringLiteral("value")), node.value) } };
        return { Cells { qMakePair(column(path), node.value) } };
    }
    QVector<Cells> rows;
    expandChildren(node, path, &rows);
    return rows;
}

void RecordFlattener::expandChildren(
    const RecordNode& node, const QString& path, QVector<Cells>* rows)
{
    const bool arrayRows = m_long && node.kind == RecordNode::Array;
    Cells shared;
    QVector<QVector<Cells>> groups;
    int index = 0;
    for (const RecordNode& child : node.children) {
        QString name = child.name;
        if (node.kind == RecordNode::Array && !m_long)
            name = QString::number(index);
        ++index;
        QString childPath = path;
        if (!name.isEmpty())
            childPath = path.isEmpty() ? name : path + QLatin1Char('.') + name;
        if (child.kind == RecordNode::Plain && !arrayRows) {
            shared.append(qMakePair(column(childPath), child.value));
            continue;
        }
        QVector<Cells> childRows = expand(child, childPath);
        if (arrayRows)
            *rows += childRows;
        else if (childRows.size() == 1)
            shared += childRows.first();
        else if (!childRows.isEmpty())
            groups.append(childRows);
    }
    if (arrayRows)
        return;
    if (groups.isEmpty()) {
        rows->append(shared);
        return;
    }
    for (const QVector<Cells>& group : groups) {
        for (const Cells& cells : group)
            rows->append(shared + cells);
    }
}

void RecordFlattener::finish()
{
    if (m_rows > 0 && m_dataset)
        m_dataset->setRow(0, m_names);
}

LayoutReadOptions LayoutReadOptions::from(const QVariantMap& map, int missingLayout)
{
    const QString key = QStringLiteral("json_arrays_as_rows");
    LayoutReadOptions o;
    o.layout = OptionMap::readBool(map, key, missingLayout == LayoutLong) ? LayoutLong : LayoutWide;
    return o;
}

void LayoutReadOptions::store(QVariantMap* map) const
{
    map->insert(QStringLiteral("json_arrays_as_rows"), int(layout == LayoutLong));
}

QPair<QString, QString> LayoutReadOptions::summaryRow() const
{
    return qMakePair(QStringLiteral("Format"),
        layout == LayoutLong ? QStringLiteral("Long (more rows)")
                             : QStringLiteral("Wide (more columns)"));
}
