// Reading every matching file of a folder into one dataset.

#include "graph/inputnode.h"

#include "core/runcontext.h"
#include "core/values.h"

#include "input/inputformat.h"

#include <QFileInfo>
#include <QSet>

namespace {

// The wildcard's extension may say the files are of another type than the
// one chosen ("*.json" read as Delimited text).
QString fileMatchWarning(const EngineSettings& settings, const QString& match, int fileType)
{
    const int mapped = inputTypeForExtension(settings, QFileInfo(match.trimmed()).suffix());
    if (mapped == FileTypeNone || mapped == fileType)
        return QString();
    return QStringLiteral("File match filter '%1' may not match data type: %2")
        .arg(match.trimmed(), fileTypeName(fileType));
}

} // namespace

bool InputNode::readFolder(const ReadProgress& progress)
{
    const QString folder = sourcePath();
    // Like a file input without a path, a folder input not yet pointed
    // anywhere is simply empty.
    if (folder.isEmpty())
        return true;
    if (!QFileInfo(folder).isDir()) {
        m_warnings << QStringLiteral("Folder '%1' not found").arg(displayPath(folder));
        return false;
    }
    const QStringList files = listFolderFiles(
        runContext().settings(), folder, m_options.fileMatch, m_options.recurse, &m_warnings);

    // A workbook gives one part per matching sheet, any other file one.
    QStringList paths;
    QStringList sheets;
    const InputFormat* format = inputFormat(fileType());
    const bool withSheets = format && format->hasSheets();
    for (const QString& file : files) {
        const QStringList names = withSheets ? format->listSheets(file, m_options.sheetMatch)
                                             : QStringList { QString() };
        for (const QString& name : names) {
            paths << file;
            sheets << name;
        }
    }
    Dataset combined;
    QStringList mismatches;
    int read = 0;
    QSet<QString> filesRead;
    bool stopped = false;
    const qreal n = paths.size();
    for (int i = 0; i < paths.size(); ++i) {
        if (runContext().stopRequested()) {
            stopped = true;
            break;
        }
        const ReadProgress share { progress.callback,
            progress.from + (progress.to - progress.from) * i / n,
            progress.from + (progress.to - progress.from) * (i + 1) / n };
        Dataset part;
        bool schemaFailed = false;
        const bool ok = readFolderFile(paths.at(i), sheets.at(i), share, &part, &schemaFailed);
        share.report(1.0);
        if (schemaFailed) {
            m_warnings
                << QStringLiteral("'%1' schema validation error").arg(displayPath(paths.at(i)));
            m_dataset = combined;
            return false;
        }
        if (!ok)
            continue;
        if (read == 0)
            combined = part;
        else
            addFolderPart(&combined, part, paths.at(i), &mismatches);
        ++read;
        filesRead.insert(paths.at(i));
    }
    m_dataset = combined;
    if (stopped) {
        m_warnings << QStringLiteral("Stopped by user");
        return false;
    }
    if (read == 0) {
        m_warnings << QStringLiteral("No files read");
    } else {
        m_filesRead = filesRead.size();
        if (withSheets) {
            m_sheetsRead = read;
            m_information
                << QStringLiteral("%1 sheet(s) read from %2 file(s)").arg(read).arg(m_filesRead);
        } else {
            m_information << QStringLiteral("%1 file(s) read").arg(read);
        }
    }
    m_warnings << mismatches;
    const QString matchWarning
        = fileMatchWarning(runContext().settings(), m_options.fileMatch, fileType());
    if (!matchWarning.isEmpty())
        m_warnings << matchWarning;
    return true;
}

bool InputNode::readFolderFile(const QString& path, const QString& sheet,
    const ReadProgress& progress, Dataset* data, bool* schemaFailed)
{
    ReadResult result = readInputFile(path, sheet, readOptions(), progress);
    takeMessages(result);
    const QString shown = displayPath(path);
    if (!result.ok()) {
        m_warnings << QStringLiteral("'%1' cannot be read").arg(shown);
        return false;
    }
    if (!result.dataset.hasRows()) {
        m_warnings << QStringLiteral("'%1' has no data").arg(shown);
        return false;
    }
    m_information << QStringLiteral("Read %1 column(s) x %2 row(s)")
                         .arg(formatInteger(result.dataset.columnCount()),
                             formatInteger(result.dataset.rowCount()));
    if (!finishRead(&result.dataset, result.hasHeader, path, sheet)) {
        *schemaFailed = true;
        return false;
    }
    *data = result.dataset;
    return true;
}

void InputNode::addFolderPart(
    Dataset* combined, const Dataset& part, const QString& path, QStringList* mismatches) const
{
    const bool metaColumn = m_options.metaPlacement == MetaEveryRow;
    const InputSchema& schema = m_options.schema;
    if (!schema.inUse) {
        QStringList before = combined->columnNames();
        QStringList names = part.columnNames();
        // Every file has its own meta information column at the end; it
        // is no difference between the files.
        if (metaColumn && !before.isEmpty() && !names.isEmpty()) {
            before.removeLast();
            names.removeLast();
        }
        const QString warning = headerMismatchWarning(before, names, path);
        if (!warning.isEmpty())
            mismatches->append(warning);
    }
    // Columns follow their names unless the schema has already made every
    // file alike and drops or refuses columns beyond it.
    const bool byName = !schema.inUse || schema.extraColumns == SchemaAddExtra;
    appendFolderDataset(combined, part, byName, metaColumn);
}
