// Pasting items: the clipboard's data as another window (or another
// program) may have put it there.
#include "document/clipboard.h"
#include "fuzzsupport.h"
#include "graph/graphmodel.h"

#include <QMimeData>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    QMimeData mime;
    mime.setData(
        ItemClipboard::mimeType(), QByteArray(reinterpret_cast<const char*>(data), int(size)));
    GraphModel scene;
    QString error;
    (void)ItemClipboard::paste(&mime, scene, &error);
    return 0;
}
