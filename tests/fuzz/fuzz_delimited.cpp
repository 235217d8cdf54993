// The delimited and plain text reader with every option combination: the
// first two bytes choose the options, the rest is the file, read from disk
// so that the encoding guess runs too.
#include "fuzzsupport.h"
#include "input/delimitedreader.h"

#include <QFile>
#include <QTemporaryFile>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    static QTemporaryFile file;
    if (!file.isOpen() && !file.open())
        return 0;
    file.resize(0);
    file.seek(0);
    file.write(reinterpret_cast<const char*>(data + 2), qint64(size - 2));
    file.flush();
    ReadOptions options;
    const uint8_t a = data[0];
    const uint8_t b = data[1];
    DelimitedReadOptions own;
    own.delimiter = a % 10;
    own.quoting = (a / 10) % 3;
    options.fileType = a & 0x80 ? FileTypePlainText : FileTypeDelimited;
    options.hasHeader = b % 3;
    options.ignoredFirstRows = (b / 3) % 4;
    options.trimWhitespace = b & 0x10;
    options.simplifyWhitespace = b & 0x20;
    options.ignoreEmptyRows = b & 0x40;
    own.ignoreRepeatedDelimiters = b & 0x80;
    own.store(&options.formatOptions);
    options.customDelimiter = QString(QChar(b % 5 == 0 ? '"' : ';'));
    const ReadResult result = readTextFile(file.fileName(), options);
    (void)result;
    return 0;
}
