#pragma once

// Rebuilds a graph scene from a ".transform" element tree, and loads
// document files.

#include "document/documentinfo.h"
#include "document/documentupgrades.h"

#include <QByteArray>
#include <QDomDocument>
#include <QString>
#include <QVariantMap>

class GraphModel;
class QDomElement;

namespace DocumentReader {

// Parses document text; false with the message in *error for text that is
// not XML, has another document type or another root.
bool parse(const QByteArray& text, QDomDocument* document, QString* error);

// Fills the (empty) scene from the tree. Malformed content never fails:
// what cannot be used is skipped or read with its default.
void read(const QDomDocument& document, GraphModel& scene, const QString& documentPath,
    DocumentInfo* info, LoadReport* report);

// Opens, checks, parses and reads a document file.
bool load(
    const QString& path, GraphModel& scene, DocumentInfo* info, LoadReport* report, QString* error);

// Decodes the attributes named by the keys of the prototype (the options of
// a fresh item of the kind), each by the type of the prototype's value.
// Missing and unreadable attributes are left out of the result.
QVariantMap readOptions(
    const DocumentUpgrades::Attributes& attributes, const QVariantMap& prototype);

// The input path re-anchored at the current document's folder, when the
// stored path is missing there and the moved one exists; empty otherwise.
QString relocatedPath(
    const QString& path, const QString& storedDocumentPath, const QString& currentDocumentPath);

// The warnings text for transforms that were not added, by type key and
// count, in the order first met.
// Whether the document at path holds a Chart item. Read before anything
// else, to choose the application object: drawing a chart needs the
// widgets' graphics scene, a run without one needs none. False when the
// file cannot be read (the run then says why).
bool hasCharts(const QString& path);
QString skippedTransformsText(const QList<QPair<QString, int>>& skipped);

} // namespace DocumentReader
