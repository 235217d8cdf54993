// The JSON, XML and vCard readers (one target each, from this file with the
// file type and name suffix given when it is built): the first byte chooses
// the common read options, the second the layout (wide or long), the rest is
// the file.
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

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzzTextFormat(FUZZ_FILE_TYPE, data, size, QStringLiteral(FUZZ_SUFFIX), layout);
    return 0;
}
