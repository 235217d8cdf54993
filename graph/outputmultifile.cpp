// Multi-file output: one file per distinct value of the files column.

#include "graph/outputnode.h"

#include "core/enginesettings.h"
#include "core/runcontext.h"
#include "core/userprompt.h"
#include "graph/graphmodel.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>

namespace {

// Row problems are warnings; a column of bad paths must not bury the rest.
constexpr int MaxRowWarnings = 999;
// Paths listed per section of the confirmation question.
constexpr int MaxListedPaths = 10;

// Characters no file name may hold on any of the systems documents travel
// between, so a value that works here does not fail elsewhere.
bool hasInvalidCharacter(const QString& fileName)
{
    for (const QChar c : fileName) {
        if (c.unicode() < 0x20)
            return true;
        switch (c.unicode()) {
        case '*':
        case '?':
        case '"':
        case '<':
        case '>':
        case '|':
            return true;
        default:
            break;
        }
    }
    return false;
}

QString groupName(const OutputGroup& group)
{
    const QString path = displayPath(group.path);
    return group.sheet.isEmpty() ? path : path + QStringLiteral("[%1]").arg(group.sheet);
}

QString listText(const QStringList& names)
{
    if (names.size() <= MaxListedPaths)
        return names.join(QLatin1Char('\n'));
    return QStringList(names.mid(0, MaxListedPaths)).join(QLatin1Char('\n'))
        + QStringLiteral("\n...etc");
}

// The checks of one value, in the order the user is told about them; an
// empty result means the path can be written.
QString pathProblem(
    const QString& value, const QString& path, int rowNumber, const QStringList& blocked)
{
    const QFileInfo info(path);
    const QString row = QString::number(rowNumber);
    if (!info.absoluteDir().exists())
        return QStringLiteral("Folder does not exist for '%1' at row %2").arg(value, row);
    if (info.fileName().isEmpty())
        return QStringLiteral("No file name for '%1' at row %2").arg(value, row);
    if (blocked.contains(info.suffix().toLower()))
        return QStringLiteral("Extension for '%1' is blocked in 'Preferences>Output Extensions'.")
            .arg(value);
    if (hasInvalidCharacter(info.fileName()) || info.isDir())
        return QStringLiteral("File path not valid for '%1' at row %2").arg(value, row);
    return QString();
}

} // namespace

QVector<OutputGroup> groupRowsByPath(const Dataset& data, int column, const QString& documentPath,
    bool excel, const QStringList& blocked, QStringList& warnings)
{
    const QDir base = QFileInfo(documentPath).absoluteDir();
    QVector<OutputGroup> groups;
    QHash<QString, int> groupOfKey;
    const auto warn = [&warnings](const QString& text) {
        if (warnings.size() <= MaxRowWarnings)
            warnings << text;
    };
    for (int r = 0; r < data.rowCount(); ++r) {
        const QString value = data.value(r, column).trimmed();
        if (value.isEmpty()) {
            warn(QStringLiteral("Empty value for row %1").arg(r + 1));
            continue;
        }
        QString path = value;
        QString sheet;
        if (excel)
            splitSheetFromPath(value, path, sheet);
        if (QFileInfo(path).isRelative()) {
            if (documentPath.isEmpty()) {
                warn(QStringLiteral("Relative file path for '%1' at row %2, but .transform not "
                                    "saved for it to be relative to.")
                         .arg(value)
                         .arg(r + 1));
                continue;
            }
            path = base.filePath(path);
        }
        const QString problem = pathProblem(value, path, r + 1, blocked);
        if (!problem.isEmpty()) {
            warn(problem);
            continue;
        }
        path = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
        const QString key
            = sheet.isEmpty() ? path : path + QLatin1Char('[') + sheet + QLatin1Char(']');
        auto it = groupOfKey.constFind(key);
        if (it == groupOfKey.constEnd()) {
            it = groupOfKey.insert(key, groups.size());
            groups.append(OutputGroup { path, sheet, {} });
        }
        groups[*it].rows.append(r);
    }
    return groups;
}

QString multiFileQuestion(const QVector<OutputGroup>& groups, int writeMode, bool excel)
{
    const QString noun = excel ? QStringLiteral("file(s)/sheets(s)") : QStringLiteral("file(s)");
    QStringList existing;
    QStringList created;
    for (const OutputGroup& g : groups)
        (QFileInfo::exists(g.path) ? existing : created) << groupName(g);
    QString text
        = QStringLiteral("%1 %2 will be written\n\n").arg(QString::number(groups.size()), noun);
    if (!existing.isEmpty()) {
        QString pattern = QStringLiteral("%1 existing %2 to be overwritten:\n%3\n");
        if (writeMode == WriteModeAppend)
            pattern = QStringLiteral("%1 existing %2 to be appended to:\n%3\n");
        else if (writeMode == WriteModeNew)
            pattern = QStringLiteral("%1 existing %2 will not be overwritten:\n%3\n");
        text += pattern.arg(QString::number(existing.size()), noun, listText(existing));
    }
    if (!created.isEmpty()) {
        if (!existing.isEmpty())
            text += QLatin1Char('\n');
        text += QStringLiteral("%1 new %2 to be created:\n%3\n")
                    .arg(QString::number(created.size()), noun, listText(created));
    }
    return text;
}

bool OutputNode::writeMultipleFiles(const FileNameContext& context)
{
    const int column = resolveFilesColumn(m_dataset);
    if (column < 0) {
        m_warnings << QStringLiteral("No column set for 'Files column'");
        return false;
    }
    const QVector<OutputGroup> groups
        = groupRowsByPath(m_dataset, column, context.documentPath, hasSheets(),
            EngineSettings::extensionList(runContext().settings().blockedOutputExtensions()),
            m_warnings);
    if (m_options.confirmMultiFile && !groups.isEmpty()) {
        auto* graph = this->graph();
        const QString question = multiFileQuestion(groups, m_options.writeMode, hasSheets());
        if (graph && !graph->prompt().confirm(question)) {
            m_warnings << QStringLiteral("Output cancelled by user");
            return false;
        }
    }
    bool ok = true;
    int written = 0;
    const qreal count = qMax(1, groups.size());
    for (int i = 0; i < groups.size(); ++i) {
        if (runContext().stopRequested()) {
            m_warnings << writeStoppedMessage();
            ok = false;
            break;
        }
        Dataset part = m_dataset;
        part.setRowCount(0);
        for (int r : groups.at(i).rows)
            part.appendRow(m_dataset.row(r));
        const int before = m_writtenPaths.size();
        const bool fileOk = writeOneFile(
            groups.at(i).path, groups.at(i).sheet, part, context, i / count, (i + 1) / count);
        if (m_writtenPaths.size() > before)
            ++written;
        if (!fileOk) {
            ok = false;
            // Every other workbook would fail the same way.
            if (hasSheets())
                break;
        }
    }
    m_multiFilesWritten = written;
    m_information << (written == 0 ? QStringLiteral("0 files written")
                                   : QStringLiteral("%1 file(s) written").arg(written));
    return ok;
}
