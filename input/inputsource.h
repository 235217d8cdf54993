#pragma once

#include "core/enginesettings.h"

// What an Input item does around the readers: where its data comes from
// (one file, every matching file of a folder, pasted text), which files it
// may read, how a read is checked against a schema, the meta information it
// adds and how the files of a folder are combined. None of this touches the
// graph, so each piece can be used and tested on its own.

#include "core/dataset.h"
#include "input/reader.h"

#include <QString>
#include <QStringList>

// The source kinds ("medium" in documents). The integers are stored.
enum InputMedium : int { MediumFile = 0, MediumClipboard = 1, MediumFolder = 2 };

// Where meta information goes. The integers are stored.
enum MetaPlacement : int { MetaNotAdded = 0, MetaAtStart = 1, MetaAtEnd = 2, MetaEveryRow = 3 };

// The schema's actions. The integers are stored.
enum SchemaMissingAction : int { SchemaAddMissing = 0, SchemaMissingIsError = 1 };
enum SchemaOrderAction : int { SchemaReorder = 0, SchemaOrderIsError = 1 };
enum SchemaExtraAction : int { SchemaAddExtra = 0, SchemaIgnoreExtra = 1, SchemaExtraIsError = 2 };

// "File", "Clipboard" or "Folder".
QString mediumName(int medium);
QString metaPlacementName(int placement);

// The columns a read is expected to give, and what to do when it does not.
struct InputSchema
{
    bool inUse = false;
    // Compared exactly: case and white space count.
    QStringList columnNames;
    // Parallel to columnNames: the value of a column that has to be added.
    QStringList missingValues;
    int missingColumns = SchemaAddMissing;
    int outOfOrder = SchemaReorder;
    int extraColumns = SchemaAddExtra;

    // Empty when the schema can be used; otherwise what is wrong with it.
    QString problem() const;
    bool operator==(const InputSchema& o) const;
    bool operator!=(const InputSchema& o) const { return !(*this == o); }
};

// Checks the dataset against the schema and, on success, rebuilds it in the
// schema's column order. On failure the dataset is left as read. Always true
// for a schema not in use.
bool applySchema(
    Dataset* dataset, const InputSchema& schema, QStringList* warnings, QStringList* information);

// The input type the user's extension map gives an extension (without the
// dot, any case), or FileTypeNone.
int inputTypeForExtension(const EngineSettings& settings, const QString& extension);
// The mapped type of a path's extension; Delimited text when there is none.
int inputTypeForPath(const EngineSettings& settings, const QString& path);
// A guess for pasted text: JSON, XML and vCard by their first characters,
// else Delimited text.
int inputTypeForText(const QString& text);
bool isBlockedInputExtension(const EngineSettings& settings, const QString& path);
// Empty unless the extension map gives the path's extension another type.
QString extensionMismatchWarning(const EngineSettings& settings, const QString& path, int fileType);

// A workbook path may name its sheet: "book.xlsx[Sheet 1]".
void splitWorkbookPath(const QString& text, QString* path, QString* sheet);

// The readable, non-empty, non-blocked files of a folder whose names match
// the wildcard (any case; empty matches everything), sorted by name, then
// with recursion those of each sub-folder, depth first. Skipped files and
// unreadable folders are reported in the warnings.
QStringList listFolderFiles(const EngineSettings& settings, const QString& folder,
    const QString& match, bool recurse, QStringList* warnings);

// Reads one file, or the pasted text, with the format of the file type (see
// inputformat.h). A file of a type without a format ends in an error that
// names the file and the type; pasted text of such a type (workbook cells)
// is read as delimited text.
ReadResult readInputFile(const QString& path, const QString& sheet, const ReadOptions& options,
    const ReadProgress& progress);
ReadResult readInputText(
    const QString& text, const ReadOptions& options, const ReadProgress& progress);

// The meta information text with its "$(Name)" variables replaced. The data
// variables count the dataset as read; the file variables describe the file
// (or say "(file not found)").
QString expandMetaVariables(
    const QString& text, const QString& filePath, const QString& sheet, const Dataset& data);
void addMetaInformation(
    Dataset* dataset, int placement, const QString& text, const QString& columnName);

// Empty when the names agree position by position; otherwise the
// "'%1' header mismatch:" warning naming the file.
QString headerMismatchWarning(
    const QStringList& combined, const QStringList& later, const QString& path);

// Appends the rows of a later file of a folder read. With byName, columns of
// the later file go under the combined column of the same name; the rest go
// by position, and columns left over become new columns (placed before the
// meta information column when there is one).
void appendFolderDataset(Dataset* combined, const Dataset& later, bool byName, bool metaColumnLast);
