#pragma once

// Fixed-width text: columns cut from each line at given widths, the widths
// either set by hand or worked out from how the characters line up.

#include <QStringList>
#include <QVector>

// The widths of the columns of report-like lines: positions where every
// line of a group has a blank-like character (space, tab, underscore,
// hyphen, apostrophe or right single quotation mark, or no character at all)
// separate columns. The sample is cut into groups so that one odd line
// cannot hide a boundary, and the groups are reconciled by the column count
// most of them agree on. Empty when there are no non-empty lines.
QVector<int> detectFixedWidths(const QStringList& lines);
