// The .xlsx reader on valid archives with one XML part replaced by the
// fuzzed bytes: the first byte chooses the part, the rest is its text. The
// archive itself is always sound, so every run reaches the XML readers.
#include "fuzzreader.h"
#include "fuzzsupport.h"

#include <QFile>

#include <zip.h>

#include <cstring>

namespace {

struct Part
{
    const char* name;
    const char* text;
};

const Part Parts[] = {
    { "[Content_Types].xml",
        R"(<?xml version="1.0"?><Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types"><Default Extension="xml" ContentType="application/xml"/></Types>)" },
    { "_rels/.rels",
        R"(<?xml version="1.0"?><Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships"><Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" Target="xl/workbook.xml"/></Relationships>)" },
    { "xl/workbook.xml",
        R"(<?xml version="1.0"?><workbook xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships"><workbookPr date1904="0"/><sheets><sheet name="S" sheetId="1" r:id="rId1"/></sheets></workbook>)" },
    { "xl/_rels/workbook.xml.rels",
        R"(<?xml version="1.0"?><Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships"><Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="worksheets/sheet1.xml"/><Relationship Id="rId2" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/sharedStrings" Target="sharedStrings.xml"/><Relationship Id="rId3" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles" Target="styles.xml"/></Relationships>)" },
    { "xl/sharedStrings.xml",
        R"(<?xml version="1.0"?><sst xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><si><t>a</t></si><si><r><t>b</t></r><r><t>c</t></r></si></sst>)" },
    { "xl/styles.xml",
        R"(<?xml version="1.0"?><styleSheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><numFmts><numFmt numFmtId="164" formatCode="yyyy-mm-dd"/></numFmts><cellXfs><xf numFmtId="0"/><xf numFmtId="164"/></cellXfs></styleSheet>)" },
    { "xl/worksheets/sheet1.xml",
        R"(<?xml version="1.0"?><worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships"><sheetData><row r="1"><c r="A1" t="s"><v>0</v></c><c r="B1" t="s"><v>1</v></c></row><row r="2"><c r="A2" s="1"><v>46000</v></c><c r="B2"><v>0.1</v></c><c r="C2" t="inlineStr"><is><t>x</t></is></c></row></sheetData><hyperlinks><hyperlink ref="A1" r:id="rId1"/></hyperlinks></worksheet>)" },
};
constexpr int PartCount = int(sizeof Parts / sizeof Parts[0]);

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    const QString path = fuzzFile(nullptr, 0, QStringLiteral(".xlsx"));
    if (path.isEmpty())
        return 0;
    int error = 0;
    zip* archive = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!archive)
        return 0;
    const int replaced = data[0] % PartCount;
    for (int i = 0; i < PartCount; ++i) {
        const void* bytes = i == replaced ? static_cast<const void*>(data + 1) : Parts[i].text;
        const size_t length = i == replaced ? size - 1 : std::strlen(Parts[i].text);
        zip_source_t* source = zip_source_buffer(archive, bytes, length, 0);
        if (!source || zip_file_add(archive, Parts[i].name, source, ZIP_FL_OVERWRITE) < 0) {
            zip_source_free(source);
            zip_discard(archive);
            return 0;
        }
    }
    if (zip_close(archive) != 0) {
        zip_discard(archive);
        return 0;
    }
    ReadOptions options = fuzzedReadOptions(FileTypeExcelXlsx, data[0] >> 3);
    (void)readFormatFile(path, options, fuzzProgress());
    return 0;
}
