// The JSON lines reader cut into tiny chunks on two threads, so that every
// chunk boundary case (a line, a string, a number across a cut) is met; the
// first byte chooses the common options and the chunk size.
#include "fuzzreader.h"
#include "fuzzsupport.h"
#include "input/chunkedparse.h"
#include "input/jsonlines.h"
#include "input/textsource.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    const ReadOptions options = fuzzedReadOptions(FileTypeJson, data[0]);
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data + 1), int(size - 1));
    TextSource source(text);
    ParseThreads threads;
    threads.threads = 2;
    threads.chunkChars = 16 + (data[0] % 64);
    ReadResult result;
    (void)parseJsonLines(source, options, fuzzProgress(), threads, &result);
    return 0;
}
