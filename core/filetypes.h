#pragma once

#include <QString>

// File types shared by inputs, outputs and the settings' extension maps.
// The integers are stored in documents and settings; never renumber them.
enum FileType : int {
    FileTypeDelimited = 0,
    FileTypeExcelXlsx = 1,
    FileTypeExcelXls = 2,
    FileTypeFixedWidth = 3,
    FileTypeJson = 4,
    FileTypeXml = 5,
    FileTypeVCard = 6,
    FileTypeYaml = 7,
    FileTypeHtml = 8,
    FileTypeMarkdown = 9,
    FileTypePlainText = 10,
    FileTypeCount = 11,
    FileTypeNone = -1
};

// Delimiter choices shared by the delimited reader and writer.
enum Delimiter : int {
    DelimiterAutomatic = 0,
    DelimiterComma = 1,
    DelimiterSemicolon = 2,
    DelimiterColon = 3,
    DelimiterTab = 4,
    DelimiterPipe = 5,
    DelimiterCaret = 6,
    DelimiterSpace = 7,
    DelimiterCustom = 8,
    DelimiterUnitSeparator = 9
};

inline QString fileTypeName(int type)
{
    switch (type) {
    case FileTypeDelimited:
        return QStringLiteral("Delimited text");
    case FileTypeExcelXlsx:
        return QStringLiteral("Excel XLSX");
    case FileTypeExcelXls:
        return QStringLiteral("Excel XLS");
    case FileTypeFixedWidth:
        return QStringLiteral("Fixed width");
    case FileTypeJson:
        return QStringLiteral("JSON");
    case FileTypeXml:
        return QStringLiteral("XML");
    case FileTypeVCard:
        return QStringLiteral("vCard");
    case FileTypeYaml:
        return QStringLiteral("YAML");
    case FileTypeHtml:
        return QStringLiteral("HTML");
    case FileTypeMarkdown:
        return QStringLiteral("Markdown");
    case FileTypePlainText:
        return QStringLiteral("Plain text");
    default:
        return QString();
    }
}
