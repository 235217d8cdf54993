#pragma once

#include "core/dataset.h"

// The nesting that JSON and XML output build from dotted column names: the
// columns "address.city" and "address.zip" become two members of one object
// "address". The tree describes the structure once; every row is written by
// walking it with that row's values.

#include <QString>
#include <QStringList>
#include <QVector>

struct FieldNode
{
    QString key;
    int column = -1; // >= 0 for a leaf holding that column's value
    QVector<FieldNode> children;
    QVector<int> columns; // every column at or below this node
    // Filled by the writer: for XML the tag or attribute name as written,
    // and whether the leaf is written as an attribute of its parent; for
    // JSON the quoted key and colon before the member's value.
    QString tag;
    bool attribute = false;

    bool isLeaf() const { return column >= 0; }
};

// Splits every name at '.', ignoring empty parts (a name made only of dots is
// kept whole). Objects appear where their first column does. When a column
// would descend through a key already used by a plain value ("a" and then
// "a.b"), the rest of its name stays dotted at that level so that no value is
// lost; two columns with the same full name give two members.
FieldNode buildFieldTree(const QStringList& names);

// Whether a node has anything to write for the row: with remove-empty on, a
// leaf with an empty value and an object whose leaves are all empty have not.
bool fieldPresent(const FieldNode& node, const RowReader& row, bool removeEmpty);

// The value of a column in a row, empty past the row's end.
const QString& fieldValue(const RowReader& row, int column);
