// The command-line parser: the input is the argument list, one argument per
// line.
#include "batch/commandline.h"
#include "fuzzsupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), int(size));
    const QStringList arguments = text.split(QLatin1Char('\n'));
    (void)CommandLine::wantsNoWindows(arguments);
    (void)CommandLine::parse(arguments);
    return 0;
}
