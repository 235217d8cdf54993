#pragma once

// The sheets of a workbook offered while the worksheet option is typed.

#include <QString>

class QLineEdit;

// Sets the line's completer and tooltip to the workbook's sheets; clears
// them for other file types or a workbook that cannot be read.
void offerSheets(QLineEdit* line, int fileType, const QString& filePath);
