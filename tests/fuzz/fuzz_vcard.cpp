// The vcard reader: the first byte chooses the common read options, the
// second the layout (wide or long), the rest is the file.
#include "fuzzreader.h"
#include "fuzzsupport.h"
#include "input/recordtree.h"

namespace {

void layout(ReadOptions& options, uint8_t choice)
{
    LayoutReadOptions own;
    own.layout = choice & 1 ? LayoutLong : LayoutWide;
    own.store(&options.formatOptions);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    initialiseFuzzing(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzzTextFormat(FileTypeVCard, data, size, QStringLiteral(".vcf"), layout);
    return 0;
}
