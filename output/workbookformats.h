#pragma once

// The options of workbook output (.xlsx and .xls) and their document keys:
// "overwrite_sheet", "excel_output", "excel_manual_col_formats",
// "excel_use_style_template", "excel_style_template_path".

#include <QString>
#include <QVariantMap>
#include <QVector>

struct WorkbookOutputOptions
{
    // Overwrite and Append touch only the named sheet ("Sheet") or the
    // whole file ("File").
    bool replaceSheetOnly = true;
    int formatting = 0; // ExcelFormatting
    QVector<int> columnFormats; // ExcelColumnFormat per column, for Manual
    bool useStyleTemplate = false;
    QString styleTemplatePath;

    static WorkbookOutputOptions from(const QVariantMap& map);
    void store(QVariantMap* map) const;
};
