#include "input/rowsink.h"

#include "core/values.h"
#include "input/charscan.h"

namespace {

// A field buffer that once held a huge value gives its memory back rather
// than keeping it for the rest of the read.
constexpr int KeptBufferCapacity = 1 << 16;

inline bool isOtherSpace(QChar c)
{
    const ushort u = c.unicode();
    if (u == ' ')
        return false;
    if (u < 0x80)
        return u >= 0x09 && u <= 0x0d;
    return c.isSpace();
}

} // namespace

QString makeValue(const QChar* chars, int count, bool trim, bool simplify)
{
    if (trim) {
        while (count > 0 && chars->isSpace()) {
            ++chars;
            --count;
        }
        while (count > 0 && chars[count - 1].isSpace())
            --count;
    }
    int i = 0;
    if (simplify) {
        // Printable ASCII needs no change, and it is nearly all there is;
        // only the rest is looked at closely.
        i = int(findNonPrintableAscii(chars, chars + count) - chars);
        while (i < count && !isOtherSpace(chars[i]))
            ++i;
    }
    if (!simplify || i == count)
        return QString(chars, count);
    QString value;
    value.reserve(count);
    value.append(chars, i);
    for (; i < count; ++i) {
        const QChar c = chars[i];
        if (c == QLatin1Char('\r'))
            continue;
        value.append(isOtherSpace(c) ? QChar(QLatin1Char(' ')) : c);
    }
    return value;
}

void FieldBuilder::clear()
{
    m_run = nullptr;
    m_runLength = 0;
    if (!m_buffered)
        return;
    m_buffered = false;
    if (m_buffer.capacity() > KeptBufferCapacity)
        m_buffer = QString();
    else
        m_buffer.resize(0);
}

void FieldBuilder::moveRunToBuffer()
{
    m_buffer.resize(0);
    if (m_buffer.capacity() < 256)
        m_buffer.reserve(256);
    m_buffer.append(m_run, m_runLength);
    m_run = nullptr;
    m_runLength = 0;
    m_buffered = true;
}

QString FieldBuilder::take(bool trim, bool simplify)
{
    const QString value = m_buffered ? makeValue(m_buffer.constData(), m_buffer.size(), trim, simplify)
                                     : makeValue(m_run, m_runLength, trim, simplify);
    clear();
    return value;
}

RowSink::RowSink(Dataset* dataset, const ReadOptions& options)
    : m_dataset(dataset),
      m_ignoredFirstRows(qMax(0, options.ignoredFirstRows)),
      m_ignoreEmptyRows(options.ignoreEmptyRows)
{
}

void RowSink::endRow(QStringList* row)
{
    if (m_physicalRows++ >= m_ignoredFirstRows) {
        const int length = row->size();
        // Rows mostly have the length of the row before.
        if (!m_lastStats || length != m_lastLength)
            m_lastStats = &m_lengths[length];
        if (m_lastStats->rows++ == 0)
            m_lastStats->firstRow = m_processedRows;
        ++m_processedRows;
        bool empty = true;
        for (const QString& value : qAsConst(*row)) {
            if (!value.isEmpty()) {
                empty = false;
                break;
            }
        }
        if (empty && m_ignoreEmptyRows)
            ++m_emptyRows;
        else
            m_dataset->addRow(*row);
        m_lastLength = length;
    }
    // With value pooling the Dataset keeps its own copy of the list, and
    // ours can be refilled in place; otherwise it shares ours.
    if (row->isDetached())
        row->erase(row->begin(), row->end());
    else
        *row = QStringList();
    row->reserve(m_lastLength);
}

void RowSink::addEmptyRowReport(QStringList* information) const
{
    if (m_emptyRows > 0)
        information->append(QStringLiteral("%1 empty row(s) ignored").arg(formatInteger(m_emptyRows)));
}

void RowSink::addRaggedRowReport(QStringList* warnings) const
{
    if (m_lengths.size() < 2)
        return;
    QStringList lines{QStringLiteral("Number of columns per row vary:")};
    for (auto it = m_lengths.cbegin(); it != m_lengths.cend(); ++it) {
        const LengthStats& stats = it.value();
        lines.append(QStringLiteral("%1 input %2 %3 %4: E.g. input row %5")
                         .arg(formatInteger(stats.rows),
                              stats.rows == 1 ? QStringLiteral("row has")
                                              : QStringLiteral("rows have"),
                              QString::number(it.key()),
                              it.key() == 1 ? QStringLiteral("value") : QStringLiteral("values"),
                              QString::number(m_ignoredFirstRows + 1 + stats.firstRow)));
    }
    warnings->append(lines.join(QLatin1Char('\n')));
}
