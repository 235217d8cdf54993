// The fixed-width reader: the first byte chooses the common read options,
// the second whether the widths are automatic or, with the next bytes, the
// manual widths (negative and huge ones included); the rest is the file.
#include "fuzzreader.h"
#include "fuzzsupport.h"
#include "input/fixedwidthformat.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 3)
        return 0;
    ReadOptions options = fuzzedReadOptions(FileTypeFixedWidth, data[0]);
    FixedWidthReadOptions own;
    own.automatic = data[1] & 1;
    const size_t count = std::min<size_t>((data[1] >> 1) % 8, (size - 2) / 2);
    size_t at = 2;
    for (size_t i = 0; i < count; ++i, at += 2) {
        const int8_t width = int8_t(data[at]);
        // Now and then a width at the edge of the integer range.
        own.widths << (data[at + 1] == 0xFF ? std::numeric_limits<int>::max()
                : data[at + 1] == 0xFE      ? std::numeric_limits<int>::min()
                                            : int(width));
    }
    own.store(&options.formatOptions);
    const QString path = fuzzFile(data + at, size - at, QStringLiteral(".txt"));
    if (!path.isEmpty())
        (void)readFormatFile(path, options, fuzzProgress());
    return 0;
}
