#pragma once

// The value structures held by the composite parameter types. Each is a
// plain value type stored in the parameter's QVariant.

#include "core/columnid.h"

#include <QMetaType>
#include <QString>
#include <QVector>

// A reference to an upstream column: its position, its identity and the name
// it had when last seen. Resolves by identity; the position is what documents
// store and what a reference loaded from a document starts from.
struct ColumnRef
{
    int position = -1;
    ColumnId id;
    QString name;

    bool isEmpty() const { return position < 0 && !id.isValid(); }
    bool operator==(const ColumnRef& o) const
    {
        return position == o.position && id == o.id && name == o.name;
    }
    bool operator!=(const ColumnRef& o) const { return !(*this == o); }
};
using ColumnRefList = QVector<ColumnRef>;

struct SortColumn
{
    ColumnRef column;
    bool ascending = true;
    bool operator==(const SortColumn& o) const
    {
        return column == o.column && ascending == o.ascending;
    }
};
using SortColumnList = QVector<SortColumn>;

struct CheckedColumn
{
    ColumnRef column;
    bool checked = true;
    bool operator==(const CheckedColumn& o) const
    {
        return column == o.column && checked == o.checked;
    }
};
using CheckedColumnList = QVector<CheckedColumn>;

struct RenameColumn
{
    ColumnRef column;
    QString newName;
    bool operator==(const RenameColumn& o) const
    {
        return column == o.column && newName == o.newName;
    }
};
using RenameColumnList = QVector<RenameColumn>;

// One test of a filter list or an if branch: a column (empty means any
// column), a condition operator number and the term text.
struct ConditionTerm
{
    ColumnRef column;
    int op = 0;
    QString text;
    bool operator==(const ConditionTerm& o) const
    {
        return column == o.column && op == o.op && text == o.text;
    }
};
using ConditionTermList = QVector<ConditionTerm>;

struct FilterList
{
    int keepRemove = 0; // 0 "Keep", 1 "Remove"
    int allAny = 0; // 0 "Matching all (AND)", 1 "Matching any (OR)"
    ConditionTermList terms;
    bool operator==(const FilterList& o) const
    {
        return keepRemove == o.keepRemove && allAny == o.allAny && terms == o.terms;
    }
};

struct IfBranch
{
    ConditionTermList conditions; // joined by AND
    QString thenValue;
    bool operator==(const IfBranch& o) const
    {
        return conditions == o.conditions && thenValue == o.thenValue;
    }
};

struct IfList
{
    QVector<IfBranch> branches;
    QString elseValue;
    bool operator==(const IfList& o) const
    {
        return branches == o.branches && elseValue == o.elseValue;
    }
};

struct ReplaceTerm
{
    int matchType = 0; // 0 "Text" ... 10 "Non-ASCII"
    QString find;
    QString replace;
    bool operator==(const ReplaceTerm& o) const
    {
        return matchType == o.matchType && find == o.find && replace == o.replace;
    }
};
using ReplaceTermList = QVector<ReplaceTerm>;

// Split Rows: mode 0 by matching column names (the text holds the names'
// separator pattern), 1 automatically by column names, 2 every "every"
// columns, "times" times.
struct SplitRowsSpec
{
    int mode = 0;
    int times = 0;
    int every = 0;
    QString text;
    bool operator==(const SplitRowsSpec& o) const
    {
        return mode == o.mode && times == o.times && every == o.every && text == o.text;
    }
};

struct UniqueColumn
{
    ColumnRef column;
    int aggregation = 1; // 0 "Keep unique", 1 "Keep first" ... 16 "Set empty"
    QString text;
    bool operator==(const UniqueColumn& o) const
    {
        return column == o.column && aggregation == o.aggregation && text == o.text;
    }
};
using UniqueColumnList = QVector<UniqueColumn>;

struct VerifyRule
{
    int kind = 0;
    bool checked = true;
    int severity = 2; // 0 Information, 1 Warning, 2 Error
    QString value;
    bool operator==(const VerifyRule& o) const
    {
        return kind == o.kind && checked == o.checked && severity == o.severity && value == o.value;
    }
};

struct VerifyColumnRules
{
    int position = -1;
    QString expectedName;
    int columnType = 4; // 0 Date, 1 integer, 2 real, 3 Selection, 4 Text
    QVector<VerifyRule> rules;
    bool operator==(const VerifyColumnRules& o) const
    {
        return position == o.position && expectedName == o.expectedName
            && columnType == o.columnType && rules == o.rules;
    }
};

struct VerifyRuleSet
{
    QVector<VerifyRule> datasetRules;
    QVector<VerifyColumnRules> columns;
    int activeRuleCount() const;
    QString summary() const;
    bool operator==(const VerifyRuleSet& o) const
    {
        return datasetRules == o.datasetRules && columns == o.columns;
    }
};

Q_DECLARE_METATYPE(ColumnRef)
Q_DECLARE_METATYPE(ColumnRefList)
Q_DECLARE_METATYPE(SortColumnList)
Q_DECLARE_METATYPE(CheckedColumnList)
Q_DECLARE_METATYPE(RenameColumnList)
Q_DECLARE_METATYPE(FilterList)
Q_DECLARE_METATYPE(IfList)
Q_DECLARE_METATYPE(ReplaceTermList)
Q_DECLARE_METATYPE(SplitRowsSpec)
Q_DECLARE_METATYPE(UniqueColumnList)
Q_DECLARE_METATYPE(VerifyRuleSet)
