#include "input/workbook.h"

#include "core/values.h"
#include "input/rowsink.h"

#include <QDate>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>

QVector<WorkbookCell>& WorkbookSheet::row(int index)
{
    if (index >= rows.size())
        rows.resize(index + 1);
    return rows[index];
}

int dateTimeFormForCode(const QString& code)
{
    // Only the first section (positive numbers) decides.
    bool date = false;
    bool seconds = false;
    bool millis = false;
    for (int i = 0; i < code.size(); ++i) {
        const QChar c = code.at(i).toLower();
        if (c == QLatin1Char(';'))
            break;
        if (c == QLatin1Char('"')) {
            i = code.indexOf(QLatin1Char('"'), i + 1);
            if (i < 0)
                break;
        } else if (c == QLatin1Char('\\') || c == QLatin1Char('_') || c == QLatin1Char('*')) {
            ++i;
        } else if (c == QLatin1Char('[')) {
            const int end = code.indexOf(QLatin1Char(']'), i);
            const QString inside = code.mid(i + 1, end - i - 1).toLower();
            if (!inside.isEmpty() && QStringLiteral("hms").contains(inside.at(0))) {
                date = true;
                seconds = seconds || inside.at(0) == QLatin1Char('s');
            }
            if (end < 0)
                break;
            i = end;
        } else if (c == QLatin1Char('y') || c == QLatin1Char('d') || c == QLatin1Char('h')
            || c == QLatin1Char('m')) {
            date = true;
        } else if (c == QLatin1Char('s')) {
            date = true;
            seconds = true;
        } else if (c == QLatin1Char('.') && seconds && i + 1 < code.size()
            && code.at(i + 1) == QLatin1Char('0')) {
            millis = true;
        }
    }
    if (!date)
        return -1;
    return millis ? TimeMilliseconds : seconds ? TimeSeconds : TimeMinutes;
}

int dateTimeFormForBuiltIn(int id)
{
    if ((id >= 14 && id <= 18) || id == 20 || id == 22)
        return TimeMinutes;
    if (id == 19 || id == 21 || id == 45 || id == 46)
        return TimeSeconds;
    if (id == 47)
        return TimeMilliseconds;
    return -1;
}

QString workbookDateText(double serial, bool date1904, int timeForm)
{
    qint64 ms = qint64(std::llround(serial * 86400000.0));
    qint64 days = ms >= 0 ? ms / 86400000 : -((-ms + 86399999) / 86400000);
    ms -= days * 86400000;
    QDate base = date1904 ? QDate(1904, 1, 1) : QDate(1899, 12, 30);
    // The 1900 system counts a 29 February 1900 that never was; days
    // before it are one off from a plain count.
    if (!date1904 && days >= 1 && days < 61)
        base = QDate(1899, 12, 31);
    const QDate date = base.addDays(days);
    const auto two = [](qint64 v) { return QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0')); };
    QString text
        = QStringLiteral("%1-%2-%3T%4:%5")
              .arg(date.year(), 4, 10, QLatin1Char('0'))
              .arg(two(date.month()), two(date.day()), two(ms / 3600000), two(ms / 60000 % 60));
    if (timeForm >= TimeSeconds)
        text += QLatin1Char(':') + two(ms / 1000 % 60);
    if (timeForm == TimeMilliseconds)
        text += QStringLiteral(".%1").arg(ms % 1000, 3, 10, QLatin1Char('0'));
    return text;
}

int chooseWorkbookSheet(const QVector<WorkbookSheetInfo>& sheets, const QString& name)
{
    if (name.isEmpty())
        return sheets.isEmpty() ? -1 : 0;
    for (int i = 0; i < sheets.size(); ++i) {
        if (sheets.at(i).name.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    for (int i = 0; i < sheets.size(); ++i) {
        if (QString::number(i + 1) == name)
            return i;
    }
    return -1;
}

QStringList matchWorkbookSheets(const QVector<WorkbookSheetInfo>& sheets,
    const QVector<bool>& hasCells, const QString& wildcard)
{
    const bool all = wildcard.isEmpty() || wildcard == QLatin1String("*");
    const QRegularExpression match(QRegularExpression::wildcardToRegularExpression(wildcard),
        QRegularExpression::CaseInsensitiveOption);
    QStringList names;
    for (int i = 0; i < sheets.size(); ++i) {
        const WorkbookSheetInfo& sheet = sheets.at(i);
        if (!sheet.isWorksheet || !hasCells.value(i) || sheet.name.isEmpty())
            continue;
        if (all || match.match(sheet.name).hasMatch())
            names << sheet.name;
    }
    return names;
}

namespace {

QString cellText(const WorkbookCell& cell, const QVector<quint8>& forms, bool date1904)
{
    switch (cell.kind) {
    case WorkbookCell::Text:
        return cell.text;
    case WorkbookCell::Boolean:
        return cell.number != 0.0 ? QStringLiteral("true") : QStringLiteral("false");
    case WorkbookCell::DateTime:
        return workbookDateText(cell.number, date1904, forms.value(cell.column));
    case WorkbookCell::Number:
        return formatShortestNumber(cell.number);
    default:
        return QString();
    }
}

// Every cell of a hyperlink's range gets "|" and the target, the table
// growing when the range lies beyond it. A range may cover a whole sheet, so
// the cells count towards the progress points where Stop and the memory
// limit are heard; false when stopped.
bool addHyperlinks(const WorkbookSheet& sheet, int firstRow, int firstColumn,
    const ReadProgress& progress, Dataset* data)
{
    qint64 cells = 0;
    for (const WorkbookHyperlink& link : sheet.hyperlinks) {
        for (int r = std::max(link.firstRow, firstRow); r <= link.lastRow; ++r) {
            for (int c = std::max(link.firstColumn, firstColumn); c <= link.lastColumn; ++c) {
                if (++cells % 5000 == 0 && !progress.report(1.0))
                    return false;
                const int row = r - firstRow;
                const int column = c - firstColumn;
                if (column >= data->columnCount())
                    data->setColumnCount(column + 1);
                if (row >= data->rowCount())
                    data->setRowCount(row + 1);
                data->setValue(
                    row, column, data->value(row, column) + QLatin1Char('|') + link.target);
            }
        }
    }
    return true;
}

// Cells made only to pad rows have no progress point of their own: this
// reaches one about every 8 MB of them. False once stopped.
class PaddingProgress
{
public:
    PaddingProgress(const ReadProgress& progress, qreal fraction)
        : m_progress(progress), m_fraction(fraction)
    {
    }
    bool add(qint64 cells)
    {
        m_cells += cells;
        if (m_cells < (1 << 20))
            return true;
        m_cells = 0;
        return m_progress.report(m_fraction);
    }

private:
    const ReadProgress& m_progress;
    qreal m_fraction;
    qint64 m_cells = 0;
};

} // namespace

bool WorkbookTableBuilder::stop()
{
    m_result->stopped = true;
    m_result->fail(QStringLiteral("Stopped by user"));
    return false;
}

WorkbookTableBuilder::WorkbookTableBuilder(
    const ReadOptions& options, const ReadProgress& progress, ReadResult* result, bool date1904)
    : m_options(options),
      m_hidden(WorkbookReadOptions::from(options.formatOptions)),
      m_progress(progress),
      m_result(result),
      m_date1904(date1904),
      m_first(std::max(0, options.ignoredFirstRows))
{
    m_result->dataset = Dataset();
}

void WorkbookTableBuilder::attach(WorkbookSheet* sheet)
{
    sheet->rowSink = [this](int row, const QVector<WorkbookCell>& cells, qreal fraction) {
        return addRow(row, cells, fraction);
    };
}

bool WorkbookTableBuilder::addRow(int row, const QVector<WorkbookCell>& cells, qreal fraction)
{
    if (cells.isEmpty())
        return true;
    // The used range counts the ignored first rows too.
    m_firstColumn = std::min(m_firstColumn, cells.first().column);
    m_lastColumn = std::max(m_lastColumn, cells.last().column);
    if (row < m_first)
        return true;
    Dataset& data = m_result->dataset;
    // Sheets mostly have their widest row first (the header), so the table
    // seldom has to widen the rows it already holds.
    if (data.columnCount() < cells.last().column + 1)
        data.setColumnCount(cells.last().column + 1);
    // Rows without cells still take the table's width: a far-off row number
    // (a stray cell at the bottom of a sheet) adds many, so they count
    // towards the progress points too.
    PaddingProgress padding(m_progress, fraction);
    while (data.rowCount() < row - m_first) {
        data.appendRow(Dataset::Row());
        if (!padding.add(data.columnCount()))
            return stop();
    }
    Dataset::Row values;
    values.reserve(cells.last().column + 1);
    for (const WorkbookCell& cell : cells) {
        while (values.size() < cell.column)
            values.append(QString());
        QString text;
        if (cell.kind == WorkbookCell::DateTime) {
            if (m_forms.size() <= cell.column)
                m_forms.resize(cell.column + 1);
            quint8& form = m_forms[cell.column];
            form = std::max(form, cell.timeForm);
            m_dates.append({ row - m_first, cell.column, cell.number, form });
            text = workbookDateText(cell.number, m_date1904, form);
        } else {
            text = cellText(cell, m_forms, m_date1904);
            if (!m_options.simplifyWhitespace)
                text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
            text = cleanValue(text, m_options.trimWhitespace, m_options.simplifyWhitespace);
        }
        values.append(text);
        if (++m_cells % 5000 == 0 && !m_progress.report(fraction))
            return stop();
    }
    if (row - m_first < data.rowCount()) // a row met twice: the later one wins
        data.setRow(row - m_first, values);
    else
        data.appendRow(values);
    return true;
}

// Rows come as short as their last cell; the used range may reach far (a
// stray cell in the last column of a sheet), and widening every row at once
// would take all that memory in one step. Row by row, Stop and the memory
// limit are heard on the way. False when stopped.
bool WorkbookTableBuilder::widenRows(Dataset* data, int width) const
{
    PaddingProgress padding(m_progress, 1.0);
    if (data->setColumnCount(width, [&padding](int added) { return padding.add(added); }))
        return true;
    // Stopped: no part-widened rows are left to read.
    data->setRowCount(0);
    return false;
}

bool WorkbookTableBuilder::finish(WorkbookSheet& sheet)
{
    for (int r = 0; r < sheet.rows.size() && !m_result->stopped; ++r) {
        addRow(r, sheet.rows.at(r), qreal(r) / sheet.rows.size());
        sheet.rows[r].clear();
    }
    if (m_result->stopped)
        return false;
    Dataset& data = m_result->dataset;
    const int firstColumn = m_lastColumn < 0 ? 0 : m_firstColumn;
    if (!widenRows(&data, m_lastColumn + 1))
        return stop();
    for (const DateCell& cell : qAsConst(m_dates)) {
        const quint8 form = m_forms.at(cell.column);
        if (form != cell.form)
            data.setValue(cell.row, cell.column, workbookDateText(cell.serial, m_date1904, form));
    }
    m_dates.clear();
    for (int c = 0; c < firstColumn && data.columnCount() > 0; ++c)
        data.removeColumn(0);
    if (!addHyperlinks(sheet, m_first, firstColumn, m_progress, &data))
        return stop();
    int hiddenRows = 0;
    int hiddenColumns = 0;
    if (m_hidden.ignoreHiddenRows) {
        std::sort(sheet.hiddenRows.rbegin(), sheet.hiddenRows.rend());
        for (int r : qAsConst(sheet.hiddenRows)) {
            if (r - m_first >= 0 && r - m_first < data.rowCount()) {
                data.removeRow(r - m_first);
                ++hiddenRows;
            }
        }
    }
    if (m_hidden.ignoreHiddenColumns) {
        std::sort(sheet.hiddenColumns.rbegin(), sheet.hiddenColumns.rend());
        for (int c : qAsConst(sheet.hiddenColumns)) {
            if (c - firstColumn >= 0 && c - firstColumn < data.columnCount()) {
                data.removeColumn(c - firstColumn);
                ++hiddenColumns;
            }
        }
    }
    const int emptyRows = m_options.ignoreEmptyRows ? data.removeEmptyRows() : 0;
    if (hiddenRows > 0)
        m_result->information << QStringLiteral("%1 hidden row(s) ignored").arg(hiddenRows);
    if (hiddenColumns > 0)
        m_result->information << QStringLiteral("%1 hidden column(s) ignored").arg(hiddenColumns);
    if (emptyRows > 0)
        m_result->information << QStringLiteral("%1 empty row(s) ignored").arg(emptyRows);
    return true;
}

bool workbookSheetToDataset(WorkbookSheet& sheet, const ReadOptions& options,
    const ReadProgress& progress, ReadResult* result)
{
    WorkbookTableBuilder table(options, progress, result, sheet.date1904);
    return table.finish(sheet);
}
