// The .xlsx reader on whole archives: the first byte chooses the read
// options (and the hidden rows and columns), the rest is the file. Seeds
// are real workbooks, so the mutations reach the ZIP directory, the sizes it
// claims and the compressed parts.
#include "fuzzreader.h"
#include "fuzzsupport.h"
#include "input/workbookformats.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    ReadOptions options = fuzzedReadOptions(FileTypeExcelXlsx, data[0]);
    WorkbookReadOptions { bool(data[0] & 0x40), bool(data[0] & 0x80) }.store(
        &options.formatOptions);
    const QString path = fuzzFile(data + 1, size - 1, QStringLiteral(".xlsx"));
    if (path.isEmpty())
        return 0;
    (void)readFormatFile(path, options, fuzzProgress());
    (void)inputFormat(FileTypeExcelXlsx)->listSheets(path, QStringLiteral("*"));
    return 0;
}
