// The .xls reader. The first byte chooses the read options and the form of
// the rest: the whole compound file (its header, allocation tables and
// directory), or the BIFF records of the workbook stream inside a sound
// compound file, so that mutations reach the records too.
#include "fuzzreader.h"
#include "fuzzsupport.h"
#include "output/compoundfilewriter.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    const ReadOptions options = fuzzedReadOptions(FileTypeExcelXls, data[0] >> 1);
    QByteArray bytes(reinterpret_cast<const char*>(data + 1), int(size - 1));
    if (data[0] & 1)
        bytes = compoundFile(QStringLiteral("Workbook"), bytes);
    const QString path = fuzzFile(reinterpret_cast<const uint8_t*>(bytes.constData()),
        size_t(bytes.size()), QStringLiteral(".xls"));
    if (!path.isEmpty())
        (void)readFormatFile(path, options, fuzzProgress());
    return 0;
}
