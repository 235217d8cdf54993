#pragma once

// Gathers a run record from a graph: an Input's facts while its rows are at
// hand, and at the end of the run every item's row counts and the files the
// Outputs and Charts wrote.

#include "batch/runrecord.h"

class DateFormatList;
class GraphModel;
class InputNode;
class Node;

class Dataset;

// The label drift lines name an Input by: its alias, or its name.
QString inputLabel(const InputNode& input);
// The choices the readers made for options set to Automatic, from the
// information lines they tell them in ("Encoding" -> "UTF-8").
QMap<QString, QString> automaticChoices(const QStringList& information);
// The rows and columns of a table, as an Input's facts hold them.
InputFacts tableFacts(const Dataset& data, const DateFormatList& dates);
// What the Input's last read found. Reads every row of its table.
InputFacts inputFacts(const InputNode& input, const DateFormatList& dates);
// The facts of every Input of the graph that holds its rows.
QVector<InputFacts> inputsFacts(const GraphModel& graph);
// The whole record of the run just ended.
RunRecord buildRunRecord(const GraphModel& graph, const QString& documentPath,
    const QVector<InputFacts>& inputs, const QDateTime& started, const QDateTime& finished);
