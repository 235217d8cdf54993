#pragma once

// Turns a graph scene into the ".transform" element tree and writes it to a
// file, atomically or through the held document file.

#include "document/documentinfo.h"

#include <QByteArray>
#include <QDomDocument>
#include <QString>
#include <QVariantMap>

class GraphModel;
class QDomElement;

namespace DocumentWriter {

// The product name written into documents and messages.
QString productName();

// The element tree of the scene (or of its selected items).
QDomDocument build(const GraphModel& scene, const QString& documentPath, const DocumentInfo& info,
    const SaveOptions& options = SaveOptions());

// The tree as text: document type line, then the tree indented by 4.
QByteArray toText(const QDomDocument& document);

// Saves the scene; on failure returns false with the message in *error.
bool save(const GraphModel& scene, const QString& documentPath, const DocumentInfo& info,
    const SaveOptions& options, QString* error);

// Writes an item's options as attributes, each by the type of its value:
// integers and booleans as decimal, reals with 6 significant digits, texts
// percent-encoded, string lists as list texts, colours as colours. Empty
// texts and lists are left out, except the column keys below.
void writeOptions(QDomElement& element, const QVariantMap& options);

// Output options that hold column references: while they are still the
// text a document was loaded with, they go back unchanged and unencoded.
bool isRawColumnKey(const QString& key);

} // namespace DocumentWriter
