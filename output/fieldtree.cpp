#include "output/fieldtree.h"

namespace {

FieldNode* findObject(FieldNode& parent, const QString& key)
{
    for (FieldNode& child : parent.children) {
        if (!child.isLeaf() && child.key == key)
            return &child;
    }
    return nullptr;
}

bool hasLeaf(const FieldNode& parent, const QString& key)
{
    for (const FieldNode& child : parent.children) {
        if (child.isLeaf() && child.key == key)
            return true;
    }
    return false;
}

void addColumn(FieldNode& root, const QStringList& parts, int column)
{
    FieldNode* node = &root;
    node->columns << column;
    for (int i = 0; i < parts.size() - 1; ++i) {
        FieldNode* next = findObject(*node, parts.at(i));
        if (!next && hasLeaf(*node, parts.at(i))) {
            FieldNode leaf;
            leaf.key = parts.mid(i).join(QLatin1Char('.'));
            leaf.column = column;
            leaf.columns << column;
            node->children << leaf;
            return;
        }
        if (!next) {
            FieldNode object;
            object.key = parts.at(i);
            node->children << object;
            next = &node->children.last();
        }
        node = next;
        node->columns << column;
    }
    FieldNode leaf;
    leaf.key = parts.last();
    leaf.column = column;
    leaf.columns << column;
    node->children << leaf;
}

} // namespace

FieldNode buildFieldTree(const QStringList& names)
{
    FieldNode root;
    for (int c = 0; c < names.size(); ++c) {
        QStringList parts = names.at(c).split(QLatin1Char('.'), Qt::SkipEmptyParts);
        if (parts.isEmpty())
            parts << names.at(c);
        addColumn(root, parts, c);
    }
    return root;
}

const QString& fieldValue(const RowReader& row, int column)
{
    static const QString empty;
    return column < row.size() ? row.at(column) : empty;
}

bool fieldPresent(const FieldNode& node, const RowReader& row, bool removeEmpty)
{
    if (!removeEmpty)
        return true;
    for (const int column : node.columns) {
        if (column < row.size() && !row.isEmptyAt(column))
            return true;
    }
    return false;
}
