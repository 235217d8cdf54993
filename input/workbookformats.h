#pragma once

// The options of workbook input (.xlsx and .xls), stored in documents as
// "ignore_excel_hidden_rows" and "ignore_excel_hidden_cols".

#include <QVariantMap>

struct WorkbookReadOptions
{
    // Leave out the rows and columns hidden in the sheet.
    bool ignoreHiddenRows = false;
    bool ignoreHiddenColumns = false;

    static WorkbookReadOptions from(const QVariantMap& map);
    void store(QVariantMap* map) const;
};
