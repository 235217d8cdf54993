// The document loader: parsing, reading every kind of item and the version
// upgrades, then one save of what was read.
#include "document/documentreader.h"
#include "document/documentwriter.h"
#include "fuzzsupport.h"
#include "graph/graphmodel.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray text(reinterpret_cast<const char*>(data), int(size));
    QDomDocument document;
    QString error;
    if (!DocumentReader::parse(text, &document, &error))
        return 0;
    GraphModel scene;
    DocumentInfo info;
    LoadReport report;
    DocumentReader::read(document, scene, QStringLiteral("/tmp/fuzz.transform"), &info, &report);
    (void)DocumentWriter::toText(DocumentWriter::build(scene, QString(), info));
    return 0;
}
