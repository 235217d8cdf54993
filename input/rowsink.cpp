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

void trimRange(const QChar** chars, int* count)
{
    while (*count > 0 && (*chars)->isSpace()) {
        ++*chars;
        --*count;
    }
    while (*count > 0 && (*chars)[*count - 1].isSpace())
        --*count;
}

// Where simplifying would change something, or count when it would not.
int firstToSimplify(const QChar* chars, int count)
{
    // Printable ASCII needs no change, and it is nearly all there is; only
    // the rest is looked at closely.
    int i = int(findNonPrintableAscii(chars, chars + count) - chars);
    while (i < count && !isOtherSpace(chars[i]))
        ++i;
    return i;
}

QString simplified(const QChar* chars, int count, int from)
{
    QString value;
    value.reserve(count);
    value.append(chars, from);
    for (int i = from; i < count; ++i) {
        const QChar c = chars[i];
        if (c == QLatin1Char('\r'))
            continue;
        value.append(isOtherSpace(c) ? QChar(QLatin1Char(' ')) : c);
    }
    return value;
}

// The Dataset's own pooling is off while a row of already pooled values is
// added, so that each value is not hashed and looked up a second time. The
// setting is put back as it was: the preferences may have changed it while
// the progress report let events through.
class PoolingSuspended
{
public:
    PoolingSuspended() : m_wasEnabled(Dataset::poolingEnabled())
    {
        Dataset::setPoolingEnabled(false);
    }
    ~PoolingSuspended() { Dataset::setPoolingEnabled(m_wasEnabled); }
    PoolingSuspended(const PoolingSuspended&) = delete;
    PoolingSuspended& operator=(const PoolingSuspended&) = delete;

private:
    bool m_wasEnabled;
};

} // namespace

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

RowSink::RowSink(Dataset* dataset, const ReadOptions& options)
    : m_dataset(dataset),
      m_ignoredFirstRows(qMax(0, options.ignoredFirstRows)),
      m_ignoreEmptyRows(options.ignoreEmptyRows),
      m_trim(options.trimWhitespace),
      m_simplify(options.simplifyWhitespace),
      m_pooling(Dataset::poolingEnabled())
{
}

QString RowSink::takeValue(FieldBuilder* field, int column)
{
    const QChar* chars = field->data();
    int count = field->size();
    if (m_trim)
        trimRange(&chars, &count);
    const int from = m_simplify ? firstToSimplify(chars, count) : count;
    QString value;
    if (m_pooling) {
        if (size_t(column) >= m_pools.size())
            m_pools.resize(size_t(column) + 1);
        ValuePool& pool = m_pools[size_t(column)];
        value = from < count ? pool.intern(simplified(chars, count, from))
                             : pool.intern(chars, count);
    } else {
        value = from < count ? simplified(chars, count, from) : QString(chars, count);
    }
    field->clear();
    return value;
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
        if (empty && m_ignoreEmptyRows) {
            ++m_emptyRows;
        } else if (m_pooling) {
            PoolingSuspended suspended;
            m_dataset->addRow(*row);
        } else {
            m_dataset->addRow(*row);
        }
        m_lastLength = length;
    }
    // The Dataset shares the list when it keeps the row as it is; the list
    // can be refilled in place only when it made a copy (a short row).
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
