#include "transforms/other/transformverify.h"

#include "core/dataset.h"
#include "core/tablesource.h"
#include "core/values.h"
#include "transforms/other/verifychecks.h"

#include <QMap>

using namespace verify;

// What one run found, in input row numbers until the rows are chosen.
struct VerifyRun
{
    const Dataset* input = nullptr;
    Qt::CaseSensitivity cs = Qt::CaseSensitive;
    QVector<quint8> rowSeverities; // bit per severity that the row failed with
    QHash<CellPos, int> cellStatus;
    QHash<CellPos, QStringList> cellMessages;
    QSet<int> failedColumns;
    int severityFails[3] = { 0, 0, 0 };
    QStringList totals; // the per-rule totals of the report
    QMap<QString, int> failsByRule;
    QStringList lines;

    void failRow(int row, int severity) { rowSeverities[row] |= quint8(1 << severity); }
    void markCell(int row, int column, int severity, const QString& text)
    {
        const CellPos pos { row, column };
        cellStatus[pos] = qMax(cellStatus.value(pos, -1), severity);
        cellMessages[pos].append(text);
        failRow(row, severity);
        failedColumns.insert(column);
    }
};

namespace {

constexpr int ShownFails = 5;

void addOthers(QStringList& lines, int fails)
{
    if (fails > ShownFails) {
        const int rest = fails - ShownFails;
        lines << QStringLiteral("+ %1 %2").arg(rest).arg(rest == 1 ? "other" : "others");
    }
}

} // namespace

QString TransformVerify::description() const
{
    return QStringLiteral("Verify the dataset and its columns against rules.");
}

QSet<QString> TransformVerify::keywords() const
{
    QSet<QString> words = Transform::keywords();
    for (const char* w : { "verification", "validate", "validation", "check", "checks", "rules",
             "quality", "errors", "warnings", "email", "iban", "isbn", "ean", "gtin", "upc", "asin",
             "telephone", "schema" })
        words.insert(QString::fromLatin1(w));
    return words;
}

void TransformVerify::defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults)
{
    Transform::defineParameters(upstream, useUserDefaults);
    addParameter(ParameterType::VerifyRules, QStringLiteral("Rules"),
        QStringLiteral("Verify rules"), QVariant::fromValue(VerifyRuleSet()))
        ->setTooltip(QStringLiteral("The verification rules."));
    addParameter(ParameterType::Bool, QStringLiteral("Case_Sensitive"),
        QStringLiteral("case sensitive"), true)
        ->setTooltip(QStringLiteral("Letter case counts when comparing text."));
    addParameter(ParameterType::Selection, QStringLiteral("Keep_Remove_rows"),
        QStringLiteral("Filter"), QStringLiteral("Keep all rows"),
        QStringList { QStringLiteral("Keep all rows"), QStringLiteral("Keep rows with:"),
            QStringLiteral("Remove rows with:") });
    addParameter(ParameterType::Bool, QStringLiteral("No_Fail"), QStringLiteral("no fails"), false);
    addParameter(
        ParameterType::Bool, QStringLiteral("No_Info"), QStringLiteral("Information fails"), false);
    addParameter(
        ParameterType::Bool, QStringLiteral("No_Warning"), QStringLiteral("Warning fails"), false);
    addParameter(
        ParameterType::Bool, QStringLiteral("No_Error"), QStringLiteral("Error fails"), true);
}

QList<QPair<QString, bool>> TransformVerify::optionStates() const
{
    const bool filtering = selectionParameter(QStringLiteral("Keep_Remove_rows")) != KeepAllRows;
    return { { QStringLiteral("No_Fail"), filtering }, { QStringLiteral("No_Info"), filtering },
        { QStringLiteral("No_Warning"), filtering }, { QStringLiteral("No_Error"), filtering } };
}

void TransformVerify::process(Dataset& output, const QList<TableSource*>& upstream, bool& error)
{
    Q_UNUSED(error)
    output.clear();
    if (!hasValidInputCount(upstream)
        || !requireParameters({ "Rules", "Case_Sensitive", "Keep_Remove_rows", "No_Fail", "No_Info",
            "No_Warning", "No_Error" }))
        return;
    const Dataset& input = upstream.first()->dataset();
    output = input;
    VerifyRun run;
    run.input = &input;
    run.cs
        = boolParameter(QStringLiteral("Case_Sensitive")) ? Qt::CaseSensitive : Qt::CaseInsensitive;
    run.rowSeverities.fill(0, input.rowCount());
    checkDataset(run);
    for (const VerifyColumnRules& column :
        parameter(QStringLiteral("Rules"))->verifyRules().columns)
        checkColumn(run, column);
    const QVector<int> kept = rowsToKeep(run);
    storeResults(run, output, kept);
    report(run, input.rowCount() - kept.size());
}

void TransformVerify::checkDataset(VerifyRun& run)
{
    const Dataset& input = *run.input;
    const QVector<VerifyRule> rules
        = parameter(QStringLiteral("Rules"))->verifyRules().datasetRules;
    int active = 0;
    for (const VerifyRule& rule : rules)
        active += rule.checked ? 1 : 0;
    run.lines << QStringLiteral("Dataset [%1 rule(s) active]").arg(active);
    for (const VerifyRule& rule : rules) {
        if (!rule.checked)
            continue;
        const QString text = datasetRuleText(rule);
        run.lines << QStringLiteral("Dataset rule: %1").arg(text);
        QStringList details;
        int fails = 0;
        const int limit = rule.value.trimmed().toInt();
        const int columns = input.columnCount();
        const int rows = input.rowCount();
        switch (rule.kind) {
        case 0: {
            QSet<QString> seen;
            for (const QString& name : input.columnNames()) {
                if (seen.contains(name))
                    details << QStringLiteral("'%1' repeats").arg(name);
                seen.insert(name);
            }
            break;
        }
        case 1:
        case 2:
            if (rule.kind == 1 ? columns < limit : columns > limit)
                details << QStringLiteral("%1 column(s)").arg(columns);
            break;
        case 3:
        case 4:
            if (rule.kind == 3 ? rows < limit : rows > limit)
                details << QStringLiteral("%1 row(s)").arg(rows);
            break;
        default:
            for (int r = 0; r < rows; ++r) {
                bool empty = true;
                for (int c = 0; c < columns && empty; ++c)
                    empty = input.value(r, c).isEmpty();
                if (!empty)
                    continue;
                for (int c = 0; c < columns; ++c)
                    run.markCell(r, c, rule.severity, text);
                details << QStringLiteral("row %1 is empty").arg(r + 1);
            }
        }
        fails = details.size();
        for (int i = 0; i < fails && i < ShownFails; ++i)
            run.lines << QStringLiteral("Dataset rule fail: %1 (%2)").arg(text, details.at(i));
        addOthers(run.lines, fails);
        run.severityFails[qBound(0, rule.severity, 2)] += fails;
        run.failsByRule[text] += fails;
        run.totals << QStringLiteral("\nDataset rule: %1, %2 fail(s)").arg(text).arg(fails);
    }
}

QString TransformVerify::dateFormatFor(VerifyRun& run, const VerifyColumnRules& column, int index)
{
    for (const VerifyRule& rule : column.rules) {
        if (rule.kind == 3 && !rule.value.trimmed().isEmpty())
            return rule.value.trimmed();
    }
    bool needed = column.columnType == DateType;
    for (const VerifyRule& rule : column.rules)
        needed = needed || (rule.checked && isDateRule(rule.kind));
    if (!needed)
        return QString();
    QString format;
    const QString name = run.input->columnName(index);
    if (run.input->isDateColumn(index, defaultDateFormats(), &format) && !format.isEmpty()) {
        run.lines << QStringLiteral("Inferred date format for column %1 as '%2'").arg(name, format);
        return format;
    }
    // A failed inference still reports its best candidate; using it would
    // fail every value of the column instead of saying no format is set.
    addWarning(QStringLiteral("Unable to infer date format for column %1").arg(name));
    return QString();
}

void TransformVerify::checkColumn(VerifyRun& run, const VerifyColumnRules& column)
{
    const Dataset& input = *run.input;
    const int index = column.position;
    int active = 0;
    for (const VerifyRule& rule : column.rules)
        active += rule.checked ? 1 : 0;
    const QString type = columnTypeNames().value(column.columnType);
    if (!input.isValidColumn(index)) {
        if (active > 0)
            addWarning(QStringLiteral("Column %1 ('%2') is not in the dataset: its rules are not "
                                      "checked")
                           .arg(index + 1)
                           .arg(column.expectedName));
        return;
    }
    const QString name = input.columnName(index);
    run.lines << QStringLiteral("Column %1: '%2' [Type=%3, %4 rule(s) active]")
                     .arg(index + 1)
                     .arg(name, type)
                     .arg(active);
    if (active == 0)
        return;
    const QString format = dateFormatFor(run, column, index);
    for (const VerifyRule& rule : column.rules) {
        if (!rule.checked)
            continue;
        const QString text = columnRuleText(rule);
        const int severity = qBound(0, rule.severity, 2);
        run.lines << QStringLiteral("Column rule: %1").arg(text);
        if (isDateRule(rule.kind) && format.isEmpty()) {
            addWarning(QStringLiteral("No date format set for '%1'").arg(name));
            continue;
        }
        ColumnCheck check(rule, format, run.cs);
        if (!check.problem().isEmpty())
            addWarning(
                QStringLiteral("Column '%1', rule '%2': %3").arg(name, text, check.problem()));
        int fails = 0;
        if (check.isPerValue()) {
            fails = checkValues(run, check, index, severity, text);
        } else {
            const QString finding = check.columnFinding(input, index);
            if (!finding.isEmpty()) {
                fails = 1;
                run.failedColumns.insert(index);
                run.lines << QStringLiteral("Column rule fail: %1 (%2)").arg(text, finding);
            }
        }
        run.severityFails[severity] += fails;
        const QString ruleName = QStringLiteral("'%1' %2").arg(name, text);
        run.failsByRule[ruleName] += fails;
        run.totals << QStringLiteral("\nColumn rule: %1, %2 fail(s)").arg(ruleName).arg(fails);
    }
}

int TransformVerify::checkValues(
    VerifyRun& run, ColumnCheck& check, int index, int severity, const QString& text)
{
    const Dataset& input = *run.input;
    const int rows = input.rowCount();
    int fails = 0;
    for (int r = 0; r < rows; ++r) {
        if (!reportProgress(r, rows))
            break;
        const QString& value = input.value(r, index);
        if (check.passes(value))
            continue;
        run.markCell(r, index, severity, text);
        if (++fails <= ShownFails) {
            run.lines << QStringLiteral("Column rule fail: %1 (%2)")
                             .arg(text,
                                 QStringLiteral("row %1: '%2'").arg(r + 1).arg(elide(value, 40)));
        }
    }
    addOthers(run.lines, fails);
    return fails;
}

// S is the union of the chosen row groups: "Keep rows with:" keeps S,
// "Remove rows with:" keeps the rest.
QVector<int> TransformVerify::rowsToKeep(const VerifyRun& run) const
{
    const int mode = selectionParameter(QStringLiteral("Keep_Remove_rows"));
    const int rows = run.rowSeverities.size();
    QVector<int> kept;
    kept.reserve(rows);
    quint8 chosen = 0;
    if (boolParameter(QStringLiteral("No_Info")))
        chosen |= 1;
    if (boolParameter(QStringLiteral("No_Warning")))
        chosen |= 2;
    if (boolParameter(QStringLiteral("No_Error")))
        chosen |= 4;
    const bool noFails = boolParameter(QStringLiteral("No_Fail"));
    for (int r = 0; r < rows; ++r) {
        const quint8 failed = run.rowSeverities.at(r);
        const bool inS = (noFails && failed == 0) || (failed & chosen) != 0;
        if (mode == KeepAllRows || (mode == KeepRowsWith) == inS)
            kept.append(r);
    }
    return kept;
}

void TransformVerify::storeResults(VerifyRun& run, Dataset& output, const QVector<int>& kept)
{
    const int inputRows = run.rowSeverities.size();
    if (kept.size() != inputRows)
        output.selectRows(kept);
    QVector<int> outputRow(inputRows, -1);
    for (int i = 0; i < kept.size(); ++i)
        outputRow[kept[i]] = i;
    VerificationResults& results = output.verification();
    results.clear();
    for (auto it = run.cellStatus.cbegin(); it != run.cellStatus.cend(); ++it) {
        const int row = outputRow.value(it.key().row, -1);
        if (row < 0)
            continue;
        const CellPos pos { row, it.key().column };
        results.cellStatus.insert(pos, it.value());
        results.cellMessages.insert(pos, run.cellMessages.value(it.key()));
        results.failuresByRow[row] += 1;
        results.failuresByColumn[pos.column] += 1;
    }
    for (auto it = run.failsByRule.cbegin(); it != run.failsByRule.cend(); ++it) {
        if (it.value() > 0)
            results.failuresByMessage.insert(it.key(), it.value());
    }
    results.totalFailures = run.severityFails[0] + run.severityFails[1] + run.severityFails[2];
}

void TransformVerify::report(const VerifyRun& run, int removed)
{
    int failedRows = 0;
    for (quint8 severities : run.rowSeverities)
        failedRows += severities != 0 ? 1 : 0;
    for (const QString& line : run.lines)
        addInformation(line);
    addInformation(QStringLiteral("input row(s)=%1").arg(formatInteger(run.input->rowCount())));
    addInformation(QStringLiteral("\n%1 row(s) with fails").arg(formatInteger(failedRows)));
    addInformation(QStringLiteral("\n%1 columns(s) with fails").arg(run.failedColumns.size()));
    for (const QString& line : run.totals)
        addInformation(line);
    const int total = run.severityFails[0] + run.severityFails[1] + run.severityFails[2];
    QString summary;
    if (total == 0) {
        summary = QStringLiteral("No verifications fails");
    } else {
        summary = QStringLiteral("%1 verification fail(s)").arg(formatInteger(total))
            + QStringLiteral(" (%1 %2, %3 %4, %5 %6)")
                  .arg(formatInteger(run.severityFails[2]), QStringLiteral("error"),
                      formatInteger(run.severityFails[1]), QStringLiteral("warning"),
                      formatInteger(run.severityFails[0]), QStringLiteral("information"));
    }
    if (removed > 0)
        summary += QStringLiteral(", %1 row(s) removed").arg(formatInteger(removed));
    setSummary(summary);
}
