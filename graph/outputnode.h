#pragma once

#include "core/enginesettings.h"

#include "graph/ionode.h"
#include "output/outputfile.h"

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <QVector>

class OutputFormat;
class GraphModel;

// Whether an Output item writes one file or one file per distinct value of
// a column.
enum OutputFiles : int { OutputSingleFile = 0, OutputFilesFromColumn = 1 };

// The options of an Output item besides those IONode already holds (file
// type, path, sheet and custom delimiter character).
struct OutputOptions
{
    int files = OutputSingleFile;
    bool confirmMultiFile = true;
    int writeMode = WriteModeOverwrite;
    int lineEnding = LineEndingAutomatic;
    QString encoding = QStringLiteral("UTF-8");
    bool byteOrderMark = true;
    bool writeHeader = true;
    bool headerOnlyIfEmpty = true;
    QString fileComment; // still holding its file-name variables
    // The options of every format, under their document keys: each format
    // reads its own typed options from here (DelimitedWriteOptions and the
    // like), and switching the type keeps the others' options.
    QVariantMap formatOptions;
    QString alias;

    bool operator==(const OutputOptions& o) const;
    bool operator!=(const OutputOptions& o) const { return !(*this == o); }
};

// The column whose values name the files of multi-file output. It follows
// its column by identity, then by name; a document gives only a position,
// kept as text until the upstream dataset has columns to resolve it in.
struct FilesColumn
{
    int position = -1;
    ColumnId id;
    QString name;
    QString storedText;
    bool pending = false;

    bool isSet() const { return pending || position >= 0 || id.isValid(); }
};

// The graph item that writes the dataset of its one upstream item to a file,
// or to one file per value of a column.
class OutputNode : public IONode
{
    Q_OBJECT

public:
    explicit OutputNode(QObject* parent = nullptr);
    // A new output to the path: the file type follows the extension unless
    // given, and so do the delimiter, the quoting and the byte-order mark.
    explicit OutputNode(
        const QString& path, int fileType = FileTypeNone, QObject* parent = nullptr);

    int type() const override { return OutputNodeType; }
    QString typeName() const override { return QStringLiteral("Output"); }
    QString displayName() const override;
    bool canProcess() const override { return allUpstreamUpToDate(); }
    int maxUpstream() const override { return 1; }
    int maxDownstream() const override { return 0; }
    void process(bool processDownstream, bool force) override;
    void upstreamProcessed() override;
    QString resultText() const override;

    const OutputOptions& options() const { return m_options; }
    // A change marks the item, and anything downstream, as needing an update.
    void setOptions(const OutputOptions& options);
    int fileType() const { return formatId(); }
    // The writer of the item's file type, or null for an unknown type.
    const OutputFormat* format() const;
    // Whether the file type holds named sheets (workbooks).
    bool hasSheets() const override;

    // The files column by its position in the upstream dataset; -1 clears it.
    void setFilesColumn(int position);
    const FilesColumn& filesColumn() const { return m_filesColumn; }

    // Results of the last processing: the paths written (absolute, native
    // separators) and, for one file, the path and sheet after variables.
    const QStringList& writtenPaths() const { return m_writtenPaths; }
    const QString& resolvedPath() const { return m_resolvedPath; }
    const QString& resolvedSheet() const { return m_resolvedSheet; }
    // A paused output writes nothing until it is resumed; the window pauses
    // the outputs of a document it opens when the user asks it to, so that
    // opening never rewrites files by surprise. Not saved with the document.
    void setWritingPaused(bool paused);
    bool isWritingPaused() const { return m_writingPaused; }
    // "Written", "Not written" or "Error writing".
    QString statusWord() const;
    // What the item shows under its name: its location, or after a
    // multi-file write "<column>: <n> file(s) written".
    QString locationText() const;

    QList<QPair<QString, QString>> optionSummary() const;
    QList<QPair<QString, QString>> outputSummary() const;

    // Keys and values as the output element of a document stores them.
    QVariantMap saveOptions() const override;
    void restoreOptions(const QVariantMap& options) override;

    // The output type of a path's extension, Delimited text when it has none.
    static int fileTypeForPath(const EngineSettings& settings, const QString& path);
    static bool isBlockedExtension(const EngineSettings& settings, const QString& path);
    // Empty unless the extension's usual output type differs from the type.
    static QString extensionMismatch(
        const EngineSettings& settings, const QString& path, int fileType);

    // Writing in blocks (see StreamedRun): whether the item can (one
    // delimited file overwritten), then startBlocks() (false: it cannot
    // after all, and nothing was written), writeBlock() for each block its
    // upstream item holds (false: refused, see TextFileInBlocks::write),
    // and finishBlocks() to commit the file or drop it.
    bool writesInBlocks() const;
    bool startBlocks();
    bool writeBlock();
    void finishBlocks(bool commit);

protected:
    QList<QPair<QString, QString>> summaryRows() const override;

private:
    void runOutput();
    bool writeDataset(const Dataset& upstream);
    FileNameContext fileNameContext() const;
    bool resolveSinglePath(const FileNameContext& context);
    FileWriteOptions fileWriteOptions(const FileNameContext& context) const;
    // The options of the item's format, as the writers and the format
    // registry see them.
    TextWriteOptions textWriteOptions() const;
    bool writeOneFile(const QString& path, const QString& sheet, const Dataset& data,
        const FileNameContext& context, qreal progressFrom, qreal progressTo);
    bool writeMultipleFiles(const FileNameContext& context);
    // Takes a written file's messages; whether the write succeeded.
    bool noteWrite(const QString& path, const TextWriteResult& result);
    void startRun();
    // Checks the path and notes what a write of it will be told; false when
    // there is nothing to write (an error unless the mode is Disabled).
    bool prepareWrite(const FileNameContext& context, bool* ok);
    int resolveFilesColumn(const Dataset& upstream);

    OutputOptions m_options;
    FilesColumn m_filesColumn;
    QStringList m_writtenPaths;
    QString m_resolvedPath;
    QString m_resolvedSheet;
    bool m_writingPaused = false;
    int m_multiFilesWritten = -1; // -1 unless the last run wrote by column
    std::unique_ptr<TextFileInBlocks> m_blockFile;
};

// Lets the start-up code, the document reader and the snapshots create
// Output items by their type code.
void registerOutputNodeKind();

// Whether a run of the item writes files: an Output whose write mode writes
// something, or a Chart written to a file.
bool writesFiles(const Node& node);

// The document file of a graph, for relative multi-file paths and the
// {transformfname} variable; empty while the document is unsaved or without
// a graph.
QString documentPathOf(const GraphModel* graph);

// The Input items of a graph that have an alias, as file-name variables see
// them. Read through the generic options so that any input kind with an
// "alias" option takes part.
QVector<FileNameAlias> fileNameAliases(const GraphModel* graph);
// What file names written for a graph's document expand with: the time,
// the document's path and its Inputs' aliases.
FileNameContext fileNameContextOf(const GraphModel* graph);

// Multi-file output: the rows of each output path, in order of first use.
struct OutputGroup
{
    QString path; // as it will be opened
    QString sheet;
    QVector<int> rows;
};

// Groups the rows by the path in the column, warning about (and skipping)
// the rows that cannot name a file. Relative paths are taken from the
// document's folder.
QVector<OutputGroup> groupRowsByPath(const Dataset& data, int column, const QString& documentPath,
    bool excel, const QStringList& blockedExtensions, QStringList& warnings);

// The question asked before writing many files.
QString multiFileQuestion(const QVector<OutputGroup>& groups, int writeMode, bool excel);
