#include "transforms/parametertips.h"

#include <QHash>

namespace {

struct Tip
{
    const char* key; // "Type:Key", or "Key" for every type
    const char* text;
};

const Tip Tips[] = {
    // Shared by many types
    { "New_Name", "The name of the new column." },
    { "Auto_New_Name", "Name the new column from the columns it is made of." },
    { "Input_Locale", "The locale whose conventions the values are read with." },
    { "Output_Locale", "The locale whose conventions the values are written with." },
    { "Start_At", "The first number given." },
    // Per type
    { "Concat:Columns", "The columns whose values are joined, in this order." },
    { "Copy:Columns", "The columns to copy; each copy goes at the end." },
    { "Offset:Columns", "The columns whose values are moved up or down." },
    { "Remove:Columns", "The columns to remove." },
    { "Reorder:Columns", "The columns in the order they are to have." },
    { "Date_Format:User_Defined",
        "The value given to dates that do not match, with 'Change to user defined'." },
    { "Num_Base:To", "The base the numbers are written in, from 2 to 32." },
    { "Num_Format:Group_Separator", "Write thousands separators, as in 1,234,567." },
    { "Num_Format:Non_Numeric", "What becomes of values that are not numbers." },
    { "Pseudonym:Prefix", "The text each pseudonym starts with, before its number." },
    { "Pseudonym:Start_At", "The number of the first pseudonym." },
    { "Random:Type", "The kind of random value: a whole number, a number or a date." },
    { "Random:Minimum_Real", "The lowest number given." },
    { "Random:Maximum_Real", "The highest number given." },
    { "Random:Minimum_Int", "The lowest whole number given." },
    { "Random:Maximum_Int", "The highest whole number given." },
    { "Random:Minimum_Date", "The earliest date given." },
    { "Random:Maximum_Date", "The latest date given." },
    { "Random:Date_Format", "How the dates are written, e.g. yyyy-MM-dd." },
    { "Row_Num:Start_At", "The number of the first row." },
    { "Row_Num:Increment", "How much the number grows from one step to the next." },
    { "Sample:Spread",
        "Which rows are taken: spread evenly, from the top, from the bottom, or at random." },
    { "Slice:From_Operation", "How the value where the slice starts is matched." },
    { "Slice:From_Value", "The value where the slice starts." },
    { "Slice:To_Operation", "How the value where the slice ends is matched." },
    { "Slice:To_Value", "The value where the slice ends." },
    { "Split:Into", "Whether the parts become new columns, new rows, counts or encodings." },
    { "Split:Delimiter_Type", "Split at a text, at a regular expression, or into lengths." },
    { "Units:Dimension", "What is measured: time, length, mass and so on." },
    { "Units:UnitsFrom", "The units the values are in." },
    { "Units:UnitsTo", "The units the values are converted to." },
    { "UUID:Format", "Whether the identifiers are written with braces and dashes." },
    { "Verify:Keep_Remove_rows",
        "Keep every row, or keep or remove the rows with the outcomes checked below." },
    { "Verify:No_Fail", "Rows that pass every rule." },
    { "Verify:No_Info", "Rows that fail a rule marked Information." },
    { "Verify:No_Warning", "Rows that fail a rule marked Warning." },
    { "Verify:No_Error", "Rows that fail a rule marked Error." },
};

} // namespace

QString parameterTip(const QString& typeKey, const QString& key)
{
    static const QHash<QString, QString> tips = [] {
        QHash<QString, QString> all;
        for (const Tip& tip : Tips)
            all.insert(QString::fromUtf8(tip.key), QString::fromUtf8(tip.text));
        return all;
    }();
    const QString own = tips.value(typeKey + QLatin1Char(':') + key);
    return own.isEmpty() ? tips.value(key) : own;
}
