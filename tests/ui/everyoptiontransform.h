#pragma once

// A test-only transform with one option of every parameter type, so the
// right pane's editors can all be driven through one real Transform item.
// It passes its upstream dataset through and counts its runs.

#include "core/dataset.h"
#include "graph/node.h"
#include "transforms/transform.h"

#include <QDate>

class EveryOptionTransform : public Transform
{
public:
    static QString key() { return QStringLiteral("Every_Option"); }
    // Runs of every instance since the program started.
    static int& runs()
    {
        static int count = 0;
        return count;
    }

    QString typeKey() const override { return key(); }
    QString displayName() const override { return QStringLiteral("Every Option"); }
    QString description() const override { return QStringLiteral("One option of each kind."); }
    int minInputs() const override { return 1; }
    int maxInputs() const override { return 1; }
    // Wide tables read better with their labels above them.
    bool optionLayoutFlag() const override { return true; }

    void defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults) override
    {
        Transform::defineParameters(upstream, useUserDefaults);
        defineColumnOptions();
        addParameter(
            ParameterType::Bool, QStringLiteral("Bool"), QStringLiteral("yes or no"), false);
        addParameter(ParameterType::Selection, QStringLiteral("Selection"),
            QStringLiteral("choice"), QStringLiteral("first"),
            QStringList {
                QStringLiteral("first"), QStringLiteral("second"), QStringLiteral("third") });
        addParameter(ParameterType::Text, QStringLiteral("Text"), QStringLiteral("text"),
            QStringLiteral("abc"));
        addParameter(ParameterType::Int, QStringLiteral("Int"), QStringLiteral("count"), 5)
            ->setIntRange(0, 100);
        addParameter(ParameterType::Char, QStringLiteral("Char"), QStringLiteral("character"),
            QChar(QLatin1Char(',')));
        addParameter(
            ParameterType::Script, QStringLiteral("Script"), QStringLiteral("script"), QString());
        addParameter(ParameterType::SplitRows, QStringLiteral("Split_Rows"),
            QStringLiteral("split rows"),
            QVariant::fromValue(SplitRowsSpec { 0, 0, 0, QStringLiteral("_") }));
        addParameter(ParameterType::ReplaceTerms, QStringLiteral("Replace_Terms"),
            QStringLiteral("replace"), QVariant::fromValue(ReplaceTermList()));
        addParameter(ParameterType::Real, QStringLiteral("Real"), QStringLiteral("amount"), 1.5);
        addParameter(ParameterType::LongText, QStringLiteral("Long_Text"),
            QStringLiteral("long text"), QString());
        addParameter(ParameterType::Label, QStringLiteral("Label"), QStringLiteral("read me"));
        addParameter(ParameterType::Date, QStringLiteral("Date"), QStringLiteral("date"),
            QDate(2020, 5, 17));
        addParameter(ParameterType::Locale, QStringLiteral("Locale"), QStringLiteral("locale"));
    }

    void process(Dataset& output, const QList<TableSource*>& upstream, bool& error) override
    {
        Q_UNUSED(error)
        output.clear();
        if (!hasValidInputCount(upstream))
            return;
        ++runs();
        output = upstream.first()->dataset();
        setSummary(QStringLiteral("No changes"));
    }

protected:
    Transform* newInstance() const override { return new EveryOptionTransform; }

private:
    void defineColumnOptions()
    {
        addParameter(ParameterType::SingleColumn, QStringLiteral("Single_Column"),
            QStringLiteral("column"), QVariant::fromValue(ColumnRef()));
        addParameter(ParameterType::MultipleColumns, QStringLiteral("Multiple_Columns"),
            QStringLiteral("columns"), QVariant::fromValue(ColumnRefList()));
        addParameter(ParameterType::SortColumns, QStringLiteral("Sort_Columns"),
            QStringLiteral("sort by"), QVariant::fromValue(SortColumnList()));
        addParameter(ParameterType::FilterColumns, QStringLiteral("Filter_Columns"),
            QStringLiteral("filter"), QVariant::fromValue(FilterList()));
        addParameter(ParameterType::ReorderColumns, QStringLiteral("Reorder_Columns"),
            QStringLiteral("order"), QVariant::fromValue(ColumnRefList()));
        addParameter(ParameterType::If, QStringLiteral("If"), QStringLiteral("if"),
            QVariant::fromValue(IfList()));
        addParameter(ParameterType::CheckedColumns, QStringLiteral("Checked_Columns"),
            QStringLiteral("keep"), QVariant::fromValue(CheckedColumnList()));
        addParameter(ParameterType::RenameColumns, QStringLiteral("Rename_Columns"),
            QStringLiteral("rename"), QVariant::fromValue(RenameColumnList()));
        addParameter(ParameterType::Unique, QStringLiteral("Unique"), QStringLiteral("group"),
            QVariant::fromValue(UniqueColumnList()));
        addParameter(ParameterType::VerifyRules, QStringLiteral("Verify_Rules"),
            QStringLiteral("rules"), QVariant::fromValue(VerifyRuleSet()));
        addParameter(ParameterType::OrderedColumns, QStringLiteral("Ordered_Columns"),
            QStringLiteral("ordered"), QVariant::fromValue(ColumnRefList()));
    }
};
