#include "batch/batchtable.h"

#include "graph/graphmodel.h"
#include "graph/node.h"
#include "graph/outputnode.h"
#include "output/writer.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>

#include <algorithm>

namespace {

// Write mode 0 is "Disabled": such an output writes nothing in any row.
constexpr int WriteModeDisabledValue = 0;

bool fedByInput(const Node& node)
{
    const QSet<Node*> ancestors = node.ancestors();
    for (const Node* a : ancestors) {
        if (a->type() == InputNodeType)
            return true;
    }
    return false;
}

bool feedsOutputOrChart(const Node& node)
{
    QList<Node*> pending = node.downstreamNodes(false);
    QSet<const Node*> seen;
    while (!pending.isEmpty()) {
        const Node* n = pending.takeFirst();
        if (seen.contains(n))
            continue;
        seen.insert(n);
        if (n->type() == OutputNodeType || n->type() == ChartNodeType)
            return true;
        pending << n->downstreamNodes(false);
    }
    return false;
}

int writeModeOf(const Node& node)
{
    return node.saveOptions().value(QStringLiteral("enable_output"), 1).toInt();
}

QString writeModeText(int mode)
{
    const QStringList names { QStringLiteral("Disabled"), QStringLiteral("Overwrite"),
        QStringLiteral("Append"), QStringLiteral("New") };
    return mode >= 0 && mode < names.size() ? names.at(mode) : QString::number(mode);
}

QRegularExpression patternExpression(const QString& pattern)
{
    QString expression;
    for (const QChar c : pattern) {
        if (c == QLatin1Char('*'))
            expression += QStringLiteral(".*");
        else if (c == QLatin1Char('?'))
            expression += QLatin1Char('.');
        else
            expression += QRegularExpression::escape(QString(c));
    }
    return QRegularExpression(
        QRegularExpression::anchoredPattern(expression), QRegularExpression::CaseInsensitiveOption);
}

} // namespace

namespace BatchTable {

QString aliasOf(const Node& node)
{
    return node.saveOptions().value(QStringLiteral("alias")).toString().trimmed();
}

bool isUsable(const Node& node)
{
    if (node.type() == OutputNodeType && writeModeOf(node) == WriteModeDisabledValue)
        return false;
    return fedByInput(node);
}

QStringList sharedOutputs(const GraphModel& scene, const QVector<BatchRow>& rows)
{
    const QList<Node*> nodes = scene.nodes();
    QStringList inputAliases;
    for (const Node* n : nodes) {
        if (n->type() == InputNodeType)
            inputAliases << aliasOf(*n);
    }
    // How many runs a row makes: none when empty, several when an input cell
    // is a wildcard.
    QVector<int> runsOf;
    for (const BatchRow& row : rows) {
        const bool filled = std::any_of(row.cbegin(), row.cend(),
            [](const QString& cell) { return !cell.trimmed().isEmpty(); });
        const bool wildcard = std::any_of(inputAliases.cbegin(), inputAliases.cend(),
            [&row](const QString& alias) { return hasWildcards(row.value(alias)); });
        runsOf.append(!filled ? 0 : wildcard ? 2 : 1);
    }
    QStringList shared;
    for (const Node* n : nodes) {
        const bool appends = n->type() == OutputNodeType && writeModeOf(*n) == WriteModeAppend;
        if (!writesFiles(*n) || appends || !isUsable(*n))
            continue;
        const QString alias = aliasOf(*n);
        QHash<QString, int> runsTo;
        for (int r = 0; r < rows.size(); ++r) {
            const QString cell = alias.isEmpty() ? QString() : rows.at(r).value(alias).trimmed();
            if (!cell.contains(QLatin1Char('{')))
                runsTo[cell] += runsOf.at(r);
        }
        if (std::any_of(runsTo.cbegin(), runsTo.cend(), [](int runs) { return runs > 1; }))
            shared << n->displayName();
    }
    return shared;
}

QVector<BatchColumn> columns(const GraphModel& scene)
{
    const QList<Node*> nodes = scene.nodes();
    QVector<BatchColumn> list;
    QSet<QString> taken;
    const QList<QPair<int, BatchColumn::Kind>> kinds { { InputNodeType, BatchColumn::Input },
        { OutputNodeType, BatchColumn::Output }, { ChartNodeType, BatchColumn::Chart } };
    for (const auto& kind : kinds) {
        for (const Node* n : nodes) {
            const QString alias = aliasOf(*n);
            if (n->type() != kind.first || alias.isEmpty() || taken.contains(alias))
                continue;
            if (kind.second != BatchColumn::Input && !isUsable(*n))
                continue;
            taken.insert(alias);
            BatchColumn column;
            column.kind = kind.second;
            column.alias = alias;
            if (kind.second == BatchColumn::Input)
                column.heading = QStringLiteral("Input alias=%1").arg(alias);
            else if (kind.second == BatchColumn::Output)
                column.heading
                    = QStringLiteral("Output alias='%1' (%2)").arg(alias, n->displayName());
            else
                column.heading
                    = QStringLiteral("Chart alias='%1' (%2)").arg(alias, n->displayName());
            list.append(column);
        }
    }
    return list;
}

QVector<BatchColumn> columnsWithRecord(const GraphModel& scene)
{
    QVector<BatchColumn> list = columns(scene);
    list.append({ BatchColumn::Record, RecordKey, QStringLiteral("Run record") });
    return list;
}

QStringList checks(const GraphModel& scene)
{
    const QList<Node*> nodes = scene.nodes();
    const bool charts = std::any_of(
        nodes.begin(), nodes.end(), [](const Node* n) { return n->type() == ChartNodeType; });
    QStringList messages;
    for (const Node* n : nodes) {
        const QString alias = aliasOf(*n);
        if (alias.isEmpty())
            continue;
        if (n->type() == InputNodeType && !feedsOutputOrChart(*n)) {
            messages << QStringLiteral("Input with alias '%1' is not connected to an %2 and will "
                                       "be ignored.")
                            .arg(alias,
                                charts ? QStringLiteral("Output/Chart") : QStringLiteral("Output"));
        } else if (n->type() == OutputNodeType && writeModeOf(*n) == WriteModeDisabledValue) {
            messages << QStringLiteral("Output with alias '%1' has 'Write mode'='%2' and will be "
                                       "ignored.")
                            .arg(alias, writeModeText(WriteModeDisabledValue));
        } else if (n->type() == OutputNodeType && !fedByInput(*n)) {
            messages << QStringLiteral(
                "Output with alias '%1' is not connected to an input and will be ignored.")
                            .arg(alias);
        } else if (n->type() == ChartNodeType && !fedByInput(*n)) {
            messages << QStringLiteral(
                "Chart with alias '%1' is not connected to an input and will be ignored.")
                            .arg(alias);
        }
    }
    return messages;
}

QVector<BatchRow> rowsFromValues(const QVector<BatchValue>& values)
{
    QVector<BatchRow> rows;
    for (const BatchValue& v : values) {
        // A damaged document could name any row; a sparse table beyond a
        // few thousand rows is no table anyone filled in.
        if (v.row < 0 || v.row > 100000 || v.alias.isEmpty())
            continue;
        if (rows.size() <= v.row)
            rows.resize(v.row + 1);
        rows[v.row].insert(v.alias, v.value);
    }
    return rows;
}

QVector<BatchValue> valuesFromRows(const QVector<BatchRow>& rows)
{
    QVector<BatchValue> values;
    for (int r = 0; r < rows.size(); ++r) {
        for (auto it = rows.at(r).constBegin(); it != rows.at(r).constEnd(); ++it) {
            if (!it.value().isEmpty())
                values.append(BatchValue { r, it.key(), it.value() });
        }
    }
    return values;
}

bool hasWildcards(const QString& text)
{
    const QString name = QFileInfo(text).fileName();
    return name.contains(QLatin1Char('*')) || name.contains(QLatin1Char('?'));
}

void splitSheetPattern(const QString& cell, QString* file, QString* sheet)
{
    const int open = cell.lastIndexOf(QLatin1Char('['));
    if (cell.endsWith(QLatin1Char(']')) && open > 0) {
        *file = cell.left(open);
        *sheet = cell.mid(open + 1, cell.size() - open - 2);
    } else {
        *file = cell;
        sheet->clear();
    }
}

bool matchesPattern(const QString& name, const QString& pattern)
{
    return patternExpression(pattern).match(name).hasMatch();
}

QStringList matchingFiles(const QString& pattern)
{
    const QFileInfo info(pattern);
    const QDir folder = info.absoluteDir();
    const QRegularExpression expression = patternExpression(info.fileName());
    QStringList files;
    const QFileInfoList entries = folder.entryInfoList(
        QDir::Files | QDir::Hidden | QDir::NoSymLinks | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo& entry : entries) {
        if (expression.match(entry.fileName()).hasMatch())
            files << entry.absoluteFilePath();
    }
    return files;
}

} // namespace BatchTable
