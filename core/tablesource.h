#pragma once

#include <QObject>
#include <QPointF>
#include <QString>

class Dataset;

// What a transform sees of an item upstream of it: the table it holds, the
// item's id and name (column options bind to the item by id), where it
// stands (two-input transforms call the upper one the top one) and the file
// its rows came from. The graph's items are table sources; a transform
// never sees the item itself. A QObject so that a bound option notices when
// the item goes.
class TableSource : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    virtual qint32 id() const = 0;
    virtual QString displayName() const = 0;
    virtual const Dataset& dataset() const = 0;
    // Where the item stands: the top left corner of its rectangle.
    virtual QPointF place() const = 0;
    // The file of the nearest Input up the first connections; empty when
    // there is none or it reads no file.
    virtual QString sourceFile() const = 0;
    // Lets the rows of the table go (hand-over: the reader that took them
    // over is the last one to read them).
    virtual void releaseRows() = 0;
};
