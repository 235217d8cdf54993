#include "transforms/parametervalues.h"

#include <QStringList>

namespace {

// Registers the value types with the meta-type system once, so that they
// can travel in queued signals and be compared in variants.
const int registered = [] {
    qRegisterMetaType<ColumnRef>();
    qRegisterMetaType<ColumnRefList>();
    qRegisterMetaType<SortColumnList>();
    qRegisterMetaType<CheckedColumnList>();
    qRegisterMetaType<RenameColumnList>();
    qRegisterMetaType<FilterList>();
    qRegisterMetaType<IfList>();
    qRegisterMetaType<ReplaceTermList>();
    qRegisterMetaType<SplitRowsSpec>();
    qRegisterMetaType<UniqueColumnList>();
    qRegisterMetaType<VerifyRuleSet>();
    return 1;
}();

} // namespace

int VerifyRuleSet::activeRuleCount() const
{
    int count = 0;
    for (const VerifyRule& rule : datasetRules)
        count += rule.checked ? 1 : 0;
    for (const VerifyColumnRules& column : columns) {
        for (const VerifyRule& rule : column.rules)
            count += rule.checked ? 1 : 0;
    }
    return count;
}

QString VerifyRuleSet::summary() const
{
    int columnsWithRules = 0;
    for (const VerifyColumnRules& column : columns) {
        for (const VerifyRule& rule : column.rules) {
            if (rule.checked) {
                ++columnsWithRules;
                break;
            }
        }
    }
    return QStringLiteral("%1 rule(s) active, %2 column(s) with rules")
        .arg(activeRuleCount())
        .arg(columnsWithRules);
}
