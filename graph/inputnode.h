#pragma once

#include "graph/ionode.h"
#include "input/inputsource.h"

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QVariantMap>
#include <QVector>

class QFileSystemWatcher;
class GraphModel;

// The options of an Input item besides those IONode holds: the source kind
// (sourceKind), the file type (formatId), the path (filePath), the sheet of
// a workbook (sheetName), the custom delimiter (charOption) and the pasted
// text (furtherText).
struct InputOptions
{
    // Folder source
    QString folder;
    QString fileMatch;
    QString sheetMatch;
    bool recurse = false;
    QString encoding = QStringLiteral("Automatic");
    // The options of every format, under their document keys: each format
    // reads its own typed options from here (DelimitedReadOptions and the
    // like), and switching the type keeps the others' options.
    QVariantMap formatOptions;
    // Rows and columns
    int ignoredFirstRows = 0;
    int hasHeader = HeaderYes;
    bool trimWhitespace = true;
    bool simplifyWhitespace = true;
    bool ignoreEmptyRows = true;
    bool ignoreEmptyColumns = false;
    // Meta information
    int metaPlacement = MetaNotAdded;
    QString metaText = QStringLiteral("$(CurrentDateTime) $(FilePath)");
    QString metaColumnName = QStringLiteral("Meta Info");
    InputSchema schema;
    bool watching = false;
    QString alias;

    bool operator==(const InputOptions& o) const;
    bool operator!=(const InputOptions& o) const { return !(*this == o); }
};

// The graph item that produces a dataset from a file, from every matching
// file of a folder, or from text pasted by the user.
class InputNode : public IONode
{
    Q_OBJECT

public:
    // Wait after a watched file changes before reading it again: editors
    // and copies often write a file in several steps.
    static constexpr int WatchDelayMs = 2000;

    explicit InputNode(QObject* parent = nullptr);
    // A file input; the type follows the extension map unless given.
    explicit InputNode(const QString& path, int fileType = FileTypeNone, QObject* parent = nullptr);
    ~InputNode() override;

    int type() const override { return InputNodeType; }
    QString typeName() const override { return QStringLiteral("Input"); }
    QString displayName() const override;
    bool canProcess() const override { return true; }
    int maxUpstream() const override { return 0; }
    int maxDownstream() const override { return NoLimit; }
    void process(bool processDownstream, bool force) override;
    void upstreamProcessed() override { }

    int medium() const { return sourceKind(); }
    int fileType() const { return formatId(); }
    bool hasSheets() const override;
    // The file (workbook sheet included) or folder read, a relative one taken
    // from the document's folder; empty for pasted text.
    QString sourcePath() const;
    const QString& clipboardText() const { return furtherText(); }
    const InputOptions& options() const { return m_options; }
    // Each change marks the item, and everything downstream, as needing an
    // update (pasting text does not run anything by itself).
    void setOptions(const InputOptions& options);
    void setFileSource(const QString& path, int fileType = FileTypeNone);
    void setFolderSource(
        const QString& folder, const QString& fileMatch, bool recurse, int fileType);
    void setClipboardSource(const QString& text, int fileType = FileTypeDelimited);

    // The options handed to the readers.
    ReadOptions readOptions() const;
    // The same for this item's own read in a run: one that keeps no results
    // asks which columns are read after the item (see usedColumnsAfter).
    ReadOptions runReadOptions();
    // Results of the last folder read (0 otherwise).
    int filesRead() const { return m_filesRead; }
    qint64 rowsLeftOut() const override { return m_rowsLeftOut; }
    int sheetsRead() const { return m_sheetsRead; }
    // The traps found in the columns of the last read ("Column 'zip': 2
    // values have leading zeros ..."), shown after the information lines
    // until the next read. A read with warnings checks a table of up to
    // AutomaticTrapCells cells itself; the window's Check Columns command
    // sets them for any table.
    static constexpr qint64 AutomaticTrapCells = 1000000;
    QStringList information() const override { return m_information + m_columnTraps; }
    void setColumnTraps(const QStringList& traps) { m_columnTraps = traps; }
    const QStringList& columnTraps() const { return m_columnTraps; }
    // The SHA-256 of the file the last read took whole, when the run asked
    // for it (see RunContext::recordsRun); empty otherwise.
    const QString& contentHash() const { return m_contentHash; }
    // Fixed width: the first lines the last read turned into rows, for the
    // widths preview.
    const QStringList& fixedWidthPreview() const { return m_fixedWidthPreview; }
    // The file being watched for changes, or empty.
    QString watchedPath() const;

    QList<QPair<QString, QString>> optionSummary() const;
    QList<QPair<QString, QString>> inputSummary() const;

    // Keys and values as the input element of a document stores them.
    QVariantMap saveOptions() const override;
    void restoreOptions(const QVariantMap& options) override;

    // Whether the item's read can hand its rows on in blocks as it goes (see
    // StreamedRun): one delimited or plain text file whose rows are taken
    // as they are read (no schema, meta information or removal of empty
    // columns, which work on the whole table).
    bool readsInBlocks() const;
    // Reads so: each block becomes the item's table (its column identities
    // assigned) while take() runs, the rows left at the end last. False
    // when the read failed, take() refusing a block included.
    bool readInBlocks(const std::function<bool()>& take, int blockRows, int chunkChars);

protected:
    QList<QPair<QString, QString>> summaryRows() const override;

private:
    void runRead();
    bool readRows();
    bool readSingle(const ReadProgress& progress);
    bool readFile(const ReadProgress& progress);
    bool readFolder(const ReadProgress& progress);
    bool readFolderFile(const QString& path, const QString& sheet, const ReadProgress& progress,
        Dataset* data, bool* schemaFailed);
    void addFolderPart(
        Dataset* combined, const Dataset& part, const QString& path, QStringList* mismatches) const;
    // The header guess, the schema and the meta information on a fresh
    // read; false when the schema rejects it.
    bool finishRead(Dataset* data, int appliedHeader, const QString& path, const QString& sheet);
    void takeMessages(const ReadResult& result);
    void updateWatching(const QString& path);
    void stopWatching();
    void checkColumnsAfterWarnings();
    void onWatchedFileChanged(const QString& path);
    void onWatchTimeout();
    QList<QPair<QString, QString>> locationRows() const;

    InputOptions m_options;
    // Set while the rows are read in blocks.
    RowHandOver m_handOver;
    int m_filesRead = 0;
    qint64 m_rowsLeftOut = 0;
    int m_sheetsRead = 0;
    QString m_contentHash;
    QStringList m_columnTraps;
    QStringList m_fixedWidthPreview;
    QFileSystemWatcher* m_watcher = nullptr;
    QTimer m_watchTimer;
};

// Lets the start-up code, the document reader and the snapshots create
// Input items by their type code.
void registerInputNodeKind();

// Before a document is saved in another folder: Inputs that name their file
// or folder relative to the document's folder are given the whole path, so
// that they still read the same files from the new place.
void anchorRelativeInputs(GraphModel& graph, const QString& newDocumentPath);
