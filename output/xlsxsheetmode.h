#pragma once

// "Sheet" mode for .xlsx: one sheet of an existing workbook replaced, added
// or appended to, with every other part of the archive kept as it was. The
// sheet itself is written by libxlsxwriter into a scratch workbook and then
// moved into the existing archive, its cell styles added to the workbook's.

#include "core/dataset.h"

#include <QString>

struct WorkbookWriteOptions;

struct SheetModeResult
{
    QString error;
    // The sheet is added to the workbook or its rows go after the old ones.
    bool appended = false;
    // The part replaced; empty when the sheet is new.
    QString sheetPart;
};

// Finds the named sheet in the existing workbook. When appending to it, its
// rows are read and put before the new ones in *rows, and *header says
// whether the header still goes at the top.
bool prepareSheetMode(const QString& path, const WorkbookWriteOptions& options, Dataset* rows,
    bool* header, SheetModeResult* result);
// Writes to outPath the existing workbook with the sheet of sheetFile (a
// one-sheet workbook) in place of or next to its sheets.
bool mergeSheetInto(const QString& existingPath, const QString& sheetFile, const QString& outPath,
    const QString& sheetName, const SheetModeResult& result);
