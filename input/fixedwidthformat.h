#pragma once

// Fixed-width text: columns cut from each line at given widths, the widths
// either set by hand or worked out from how the characters line up.

#include <QStringList>
#include <QVariantMap>
#include <QVector>

// The options of fixed-width input, stored in documents as
// "auto_fixed_widths" and "fixed_widths".
struct FixedWidthReadOptions
{
    // Work the widths out from the text, or use widths.
    bool automatic = true;
    QVector<int> widths;

    static FixedWidthReadOptions from(const QVariantMap& map);
    void store(QVariantMap* map) const;
};

// The widths of the columns of report-like lines: positions where every
// line of a group has a blank-like character (space, tab, underscore,
// hyphen, apostrophe or right single quotation mark, or no character at all)
// separate columns. The sample is cut into groups so that one odd line
// cannot hide a boundary, and the groups are reconciled by the column count
// most of them agree on. Empty when there are no non-empty lines.
QVector<int> detectFixedWidths(const QStringList& lines);
