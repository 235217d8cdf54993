#pragma once

#include "transforms/parametervalues.h"

#include <QChar>
#include <QDate>
#include <QHash>
#include <QLocale>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>

class Dataset;
class TableSource;

// The kinds of transform option. The numbers are written into documents.
enum class ParameterType : int {
    SingleColumn = 0,
    MultipleColumns = 1,
    SortColumns = 2,
    FilterColumns = 3,
    ReorderColumns = 4,
    Bool = 5,
    Selection = 6,
    Text = 7,
    Int = 8,
    Char = 9,
    If = 10,
    CheckedColumns = 11,
    Script = 12,
    RenameColumns = 13,
    SplitRows = 14,
    Unique = 15,
    ReplaceTerms = 16,
    Real = 17,
    LongText = 18,
    VerifyRules = 19,
    Label = 20,
    Date = 21,
    OrderedColumns = 22,
    Locale = 23
};

// One option of a transform: its definition and its current value.
//
// Values by type: SingleColumn ColumnRef; MultipleColumns, ReorderColumns,
// OrderedColumns ColumnRefList; SortColumns SortColumnList; FilterColumns
// FilterList; If IfList; CheckedColumns CheckedColumnList; RenameColumns
// RenameColumnList; SplitRows SplitRowsSpec; Unique UniqueColumnList;
// ReplaceTerms ReplaceTermList; VerifyRules VerifyRuleSet; Bool bool;
// Selection QString (the choice text); Text, Script, LongText QString; Int
// int; Real double; Char QChar; Date QDate; Locale QLocale or null for the
// system locale; Label nothing.
//
// Stored text: the document form of a value is a list of parts joined by
// U+001F, every part percent-encoded (serialise()). The document reader
// percent-decodes the whole attribute once and hands the result to
// deserialise(). Column positions need the upstream dataset to become
// references; until the bound source item has columns the text waits
// (needsUpdating()) and is converted by convertPending().
class TransformParameter
{
public:
    static const QChar PartSeparator; // U+001F

    TransformParameter(ParameterType type, const QString& key, const QString& label,
        const QVariant& defaultValue = QVariant(), const QVariant& choices = QVariant());

    // Definition
    ParameterType type() const { return m_type; }
    int typeNumber() const { return int(m_type); }
    const QString& key() const { return m_key; }
    const QString& label() const { return m_label; }
    QVariant choices() const { return m_choices; }
    QStringList choiceList() const { return m_choices.toStringList(); }
    void setChoices(const QVariant& choices) { m_choices = choices; }
    int minimumInt() const { return m_minInt; }
    int maximumInt() const { return m_maxInt; }
    void setIntRange(int minimum, int maximum);
    double minimumReal() const { return m_minReal; }
    double maximumReal() const { return m_maxReal; }
    void setRealRange(double minimum, double maximum);
    const QString& specialValueText() const { return m_specialValueText; }
    void setSpecialValueText(const QString& text) { m_specialValueText = text; }
    const QString& suffix() const { return m_suffix; }
    void setSuffix(const QString& suffix) { m_suffix = suffix; }
    const QString& tooltip() const { return m_tooltip; }
    void setTooltip(const QString& text) { m_tooltip = text; }
    bool marksInput() const { return m_marksInput; }
    void setMarksInput(bool on) { m_marksInput = on; }
    bool textRequired() const { return m_textRequired; }
    void setTextRequired(bool on) { m_textRequired = on; }
    bool zeroIsUnset() const { return m_zeroIsUnset; }
    void setZeroIsUnset(bool on) { m_zeroIsUnset = on; }
    const QString& noneText() const { return m_noneText; }
    void setNoneText(const QString& text) { m_noneText = text; }
    bool columnRequired() const { return m_columnRequired; }
    void setColumnRequired(bool on) { m_columnRequired = on; }
    bool pivotEditorFlag() const { return m_pivotEditorFlag; }
    void setPivotEditorFlag(bool on) { m_pivotEditorFlag = on; }
    bool firstChoiceIsUnset() const { return m_firstChoiceIsUnset; }
    void setFirstChoiceIsUnset(bool on) { m_firstChoiceIsUnset = on; }
    bool reconnectByName() const { return m_reconnectByName != 0; }
    void setReconnectByName(bool on) { m_reconnectByName = on ? 1 : 0; }
    QHash<QString, QVariant>& auxiliaryHash() { return m_auxHash; }
    const QHash<QString, QVariant>& auxiliaryHash() const { return m_auxHash; }
    bool userDefaultApplied() const { return m_userDefaultApplied; }
    void setUserDefaultApplied(bool on) { m_userDefaultApplied = on; }

    // Value
    QVariant value() const { return m_value; }
    void setValue(const QVariant& value);
    bool boolValue() const { return m_value.toBool(); }
    int intValue() const { return m_value.toInt(); }
    double realValue() const { return m_value.toDouble(); }
    QString text() const { return m_value.toString(); }
    QChar charValue() const;
    QDate dateValue() const { return m_value.toDate(); }
    // The locale chosen, or the default locale when none is (null value).
    QLocale localeValue() const;
    bool isSystemLocale() const { return m_value.isNull(); }
    // Index of the chosen text among the choices; a text not among them
    // counts as the first choice.
    int selectionIndex() const;
    void setSelectionIndex(int index);
    ColumnRef columnRef() const { return m_value.value<ColumnRef>(); }
    // The references a column option holds: the one of a SingleColumn, the
    // list of the list types, the columns of sort, rename and unique entries,
    // and only the checked ones of CheckedColumns.
    ColumnRefList columnRefs() const;
    SortColumnList sortColumns() const { return m_value.value<SortColumnList>(); }
    CheckedColumnList checkedColumns() const { return m_value.value<CheckedColumnList>(); }
    RenameColumnList renameColumns() const { return m_value.value<RenameColumnList>(); }
    FilterList filterList() const { return m_value.value<FilterList>(); }
    IfList ifList() const { return m_value.value<IfList>(); }
    ReplaceTermList replaceTerms() const { return m_value.value<ReplaceTermList>(); }
    SplitRowsSpec splitRows() const { return m_value.value<SplitRowsSpec>(); }
    UniqueColumnList uniqueColumns() const { return m_value.value<UniqueColumnList>(); }
    VerifyRuleSet verifyRules() const { return m_value.value<VerifyRuleSet>(); }

    bool isColumnType() const { return isColumnType(m_type); }
    static bool isColumnType(ParameterType type);
    // The value counts as "not set" by the rule of its type.
    bool isUnset() const;
    QString summary() const;

    // Stored text
    QString serialise() const;
    void deserialise(const QString& decodedText, int version = 87);
    bool needsUpdating() const { return m_needsUpdating; }
    const QString& storedText() const { return m_storedText; }
    // Set when a stored number was outside the range and replaced; cleared
    // when the value is set again.
    const QString& rangeNote() const { return m_rangeNote; }
    int storedNumber() const { return m_storedNumber; }
    void setStoredNumber(int number) { m_storedNumber = number; }
    // Converts a waiting stored text once the source item has columns.
    bool convertPending();

    // Column binding
    TableSource* sourceItem() const;
    void setSourceItem(TableSource* node);
    // The dataset of the source item; an empty one when unbound.
    const Dataset& sourceDataset() const;
    // The reference's current column index in the source dataset, or -1.
    int resolve(const ColumnRef& ref) const;
    // Current indices of the referenced columns, unresolved ones dropped.
    QVector<int> resolvedColumns(bool sortedAscending = false) const;
    // Remembers the current names of the referenced columns that resolve.
    void refreshColumnNames();
    // Reconnects references that no longer resolve by their remembered
    // names (when allowed); returns whether a reference changed.
    bool reconnect(QStringList* information, QStringList* warnings);
    // Makes a reference to the column at a position of the source dataset.
    ColumnRef referenceAt(int position) const;
    // The number of column references the value holds that are not empty.
    int columnReferenceCount() const;
    // The current indices of every column the value refers to, whatever
    // its kind (unchecked entries of CheckedColumns included), unresolved
    // references dropped.
    QVector<int> referencedColumns();

private:
    QStringList toParts() const;
    bool fromParts(const QStringList& parts, int version);
    bool fromValueParts(
        const QStringList& parts, const std::function<ColumnRef(const QString&)>& ref);
    bool fromSimpleText(const QString& text);
    void noteOutOfRange(const QString& given, const QString& used);
    QString simpleText() const;
    QString columnsSummary() const;
    QString orderSummary() const;
    QString valueSummary() const;
    template <class Fn> bool forEachRef(Fn fn);

    ParameterType m_type;
    QString m_key;
    QString m_label;
    int m_storedNumber = -1;
    bool m_needsUpdating = false;
    QString m_storedText;
    QString m_rangeNote;
    int m_storedVersion = 87;
    QVariant m_value;
    QVariant m_choices;
    int m_minInt = 0;
    QString m_specialValueText;
    int m_maxInt = 999999999;
    double m_minReal = 0.0;
    double m_maxReal = 100.0;
    QString m_suffix;
    QPointer<TableSource> m_sourceItem;
    QHash<QString, QVariant> m_auxHash;
    int m_reconnectByName = 0;
    QString m_tooltip;
    bool m_marksInput = false;
    bool m_textRequired = true;
    bool m_zeroIsUnset = false;
    QString m_noneText = QStringLiteral("<None selected>");
    bool m_columnRequired = true;
    bool m_pivotEditorFlag = true;
    bool m_firstChoiceIsUnset = false;
    bool m_userDefaultApplied = false;
};
