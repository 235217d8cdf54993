#include "core/dataset.h"
#include "core/optionmap.h"
#include "output/fieldtree.h"
#include "output/outputformat.h"
#include "output/parallelrows.h"
#include "output/valuebytescache.h"
#include "output/writer.h"
#include "output/writerutil.h"

namespace {

// Gives every node its written name; a leaf whose key starts with '@'
// becomes an attribute of the element above it.
void prepareXmlTree(FieldNode& node)
{
    for (FieldNode& child : node.children) {
        if (child.isLeaf() && child.key.startsWith(QLatin1Char('@')) && child.key.size() > 1) {
            child.attribute = true;
            child.tag = xmlTagName(child.key.mid(1));
        } else {
            child.tag = xmlTagName(child.key);
        }
        prepareXmlTree(child);
    }
}

// The first reason any part of the name is not a valid tag.
QString columnNameProblem(const QString& name)
{
    QStringList parts = name.split(QLatin1Char('.'), Qt::SkipEmptyParts);
    if (parts.isEmpty())
        parts << name;
    for (QString part : parts) {
        if (part.startsWith(QLatin1Char('@')) && part.size() > 1 && part == parts.last())
            part.remove(0, 1);
        const QString problem = xmlTagProblem(xmlTagName(part));
        if (!problem.isEmpty())
            return problem;
    }
    return QString();
}

// Splits a dotted path option into tag names; empty parts are ignored.
QStringList xmlPath(const QString& dotted)
{
    QStringList tags;
    for (const QString& part : dotted.split(QLatin1Char('.'), Qt::SkipEmptyParts))
        tags << xmlTagName(part);
    return tags;
}

// "--" may not appear inside an XML comment, nor may it end with '-'.
QString xmlCommentText(const QString& comment)
{
    QString text = xmlEscaped(comment);
    while (text.contains(QLatin1String("--")))
        text.replace(QLatin1String("--"), QLatin1String("- -"));
    if (text.endsWith(QLatin1Char('-')))
        text += QLatin1Char(' ');
    return text;
}

QString nameOr(const QString& name, const QString& fallback)
{
    const QString tag = xmlTagName(name.trimmed());
    return tag.isEmpty() ? fallback : tag;
}

template <class Sink> void openTag(Sink& sink, const QString& tag, int depth)
{
    sink.indent(depth);
    sink << QLatin1Char('<') << tag << QLatin1Char('>');
    sink.endLine();
}

template <class Sink> void closeTag(Sink& sink, const QString& tag, int depth)
{
    sink.indent(depth);
    sink << QLatin1String("</") << tag << QLatin1Char('>');
    sink.endLine();
}

// What each row is written with.
struct XmlRowLayout
{
    const FieldNode& tree;
    const QStringList& outer;
    const QStringList& inner;
    const QString& rowTag;
    bool removeEmpty;
};

// Writes rows into a sink (the file's, or a block made on another thread).
template <class Sink> class XmlRowWriter
{
public:
    XmlRowWriter(Sink& sink, const FieldNode& tree, bool removeEmpty, ValueBytesCache* cache)
        : m_sink(sink), m_tree(tree), m_removeEmpty(removeEmpty), m_cache(cache)
    {
    }

    // The row element with the row's values inside.
    void writeRow(const QString& rowTag, const RowReader& row, int depth)
    {
        writeElement(rowTag, m_tree, row, depth);
    }

private:
    void writeElement(const QString& tag, const FieldNode& node, const RowReader& row, int depth)
    {
        m_sink.indent(depth);
        m_sink << QLatin1Char('<') << tag;
        bool hasElements = false;
        for (const FieldNode& child : node.children) {
            if (!fieldPresent(child, row, m_removeEmpty))
                continue;
            if (!child.attribute) {
                hasElements = true;
                continue;
            }
            m_sink << QLatin1Char(' ') << child.tag << QLatin1String("=\"");
            appendEscaped(row, child.column);
            m_sink << QLatin1Char('"');
        }
        if (!hasElements) {
            m_sink << QLatin1String("/>");
            m_sink.endLine();
            return;
        }
        m_sink << QLatin1Char('>');
        m_sink.endLine();
        for (const FieldNode& child : node.children) {
            if (child.attribute || !fieldPresent(child, row, m_removeEmpty))
                continue;
            if (child.isLeaf())
                writeLeaf(child, row, depth + 1);
            else
                writeElement(child.tag, child, row, depth + 1);
        }
        closeTag(m_sink, tag, depth);
    }

    void writeLeaf(const FieldNode& leaf, const RowReader& row, int depth)
    {
        if constexpr (std::is_same<Sink, Utf8Block>::value) {
            // The tags of a leaf are the same in every row: made into bytes
            // once rather than encoded again for each of millions of rows.
            const LeafTags& tags = leafTags(leaf, depth);
            m_sink.appendBytesOf(tags.open);
            appendEscaped(row, leaf.column);
            m_sink.appendBytesOf(tags.close);
        } else {
            m_sink.indent(depth);
            m_sink << QLatin1Char('<') << leaf.tag << QLatin1Char('>');
            appendEscaped(row, leaf.column);
            m_sink << QLatin1String("</") << leaf.tag << QLatin1Char('>');
        }
        m_sink.endLine();
    }

    void appendEscaped(const RowReader& row, int column)
    {
        if constexpr (std::is_same<Sink, Utf8Block>::value) {
            // A text kept in bytes that needs no escaping goes out as it is
            // kept, without being made a text first.
            std::string_view chars;
            if (column < row.size() && row.narrowAt(column, &chars) && isPlainXmlAscii(chars)) {
                m_sink.appendAscii(chars.data(), int(chars.size()));
                return;
            }
            if (m_cache) {
                m_cache->append(
                    m_sink, row, column, [&] { appendXmlText(m_sink, fieldValue(row, column)); });
                return;
            }
        }
        appendXmlText(m_sink, fieldValue(row, column));
    }

    // A leaf's indented start tag and its end tag, as bytes (a leaf is at
    // one depth in every row).
    struct LeafTags
    {
        QByteArray open;
        QByteArray close;
    };
    const LeafTags& leafTags(const FieldNode& leaf, int depth)
    {
        if (size_t(leaf.column) >= m_leafTags.size())
            m_leafTags.resize(size_t(leaf.column) + 1);
        LeafTags& tags = m_leafTags[size_t(leaf.column)];
        if (tags.open.isEmpty()) {
            // Encoded as every other text of the block is.
            Utf8Block open(QString {});
            open.indent(depth);
            open << QLatin1Char('<') << leaf.tag << QLatin1Char('>');
            tags.open = open.bytes();
            Utf8Block close(QString {});
            close << QLatin1String("</") << leaf.tag << QLatin1Char('>');
            tags.close = close.bytes();
        }
        return tags;
    }
    std::vector<LeafTags> m_leafTags;

    Sink& m_sink;
    const FieldNode& m_tree;
    bool m_removeEmpty;
    // Of this writer's thread; none when the sink takes text.
    ValueBytesCache* m_cache;
};

// The rows [from, to), each inside the tags below the root.
template <class Sink>
void writeRows(Sink& sink, const XmlRowLayout& layout, const Dataset& data, int from, int to,
    ValueBytesCache* cache = nullptr)
{
    XmlRowWriter<Sink> writer(sink, layout.tree, layout.removeEmpty, cache);
    const int depth = layout.outer.size();
    // Blocks of bytes take plain cells as bytes and repeating ones by code.
    const int flags
        = std::is_same<Sink, Utf8Block>::value ? RowReader::NarrowBytes | RowReader::ByCode : 0;
    RowReader row(data, flags, from, to);
    for (int r = from; r < to; ++r) {
        row.setRow(r);
        for (int i = 0; i < layout.inner.size(); ++i)
            openTag(sink, layout.inner.at(i), depth + i);
        writer.writeRow(layout.rowTag, row, depth + layout.inner.size());
        for (int i = layout.inner.size() - 1; i >= 0; --i)
            closeTag(sink, layout.inner.at(i), depth + i);
    }
}

} // namespace

TextWriteResult writeXml(QTextStream& stream, const Dataset& data, const TextWriteOptions& options,
    const WriteProgress& progress)
{
    TextWriteResult result;
    const QStringList names = outputColumnNames(data);
    for (const QString& name : names) {
        const QString problem = columnNameProblem(name);
        if (!problem.isEmpty())
            result.warnings
                << QStringLiteral("Column name '%1' invalid as an XML tag: %2").arg(name, problem);
    }
    FieldNode tree = buildFieldTree(names);
    prepareXmlTree(tree);
    const XmlWriteOptions own = XmlWriteOptions::from(options.formatOptions);
    QStringList outer = xmlPath(own.aboveRoot);
    outer << nameOr(own.rootName, QStringLiteral("root"));
    const QStringList inner = xmlPath(own.belowRoot);
    const QString rowTag = nameOr(own.rowName, QStringLiteral("record"));

    TextSink sink(stream, options.lineEnding);
    sink << QStringLiteral("<?xml version=\"1.0\" encoding=\"%1\"?>").arg(options.encoding);
    sink.endLine();
    if (!options.comment.isEmpty()) {
        sink << QLatin1String("<!--") << xmlCommentText(options.comment) << QLatin1String("-->");
        sink.endLine();
    }
    for (int i = 0; i < outer.size(); ++i)
        openTag(sink, outer.at(i), i);

    const XmlRowLayout layout { tree, outer, inner, rowTag, own.removeEmpty };
    RowProgress rowProgress(progress, data.rowCount());
    if (data.rowCount() >= ParallelRows) {
        ValueBytesCache caches[2];
        writeRowsInParallel(
            sink, data.rowCount(), rowProgress, lineEndingText(options.lineEnding),
            [&](auto& block, int part, int from, int to) {
                writeRows(block, layout, data, from, to, &caches[part]);
            },
            [] {});
    } else {
        for (int r = 0; r < data.rowCount() && rowProgress.report(r); ++r)
            writeRows(sink, layout, data, r, r + 1);
    }
    for (int i = outer.size() - 1; i >= 0; --i)
        closeTag(sink, outer.at(i), i);
    sink.finish();
    rowProgress.apply(result);
    return result;
}

XmlWriteOptions XmlWriteOptions::from(const QVariantMap& map)
{
    using namespace OptionMap;
    XmlWriteOptions o;
    o.aboveRoot = readText(map, QStringLiteral("xml_above_root"));
    o.rootName = readText(map, QStringLiteral("xml_root"));
    if (o.rootName.isEmpty())
        o.rootName = QStringLiteral("root");
    o.belowRoot = readText(map, QStringLiteral("xml_below_root"));
    o.rowName = readText(map, QStringLiteral("xml_row"));
    if (o.rowName.isEmpty())
        o.rowName = QStringLiteral("record");
    o.removeEmpty = readBool(map, QStringLiteral("remove_empty"), true);
    return o;
}

void XmlWriteOptions::store(QVariantMap* map) const
{
    map->insert(QStringLiteral("xml_above_root"), aboveRoot);
    map->insert(QStringLiteral("xml_root"), rootName);
    map->insert(QStringLiteral("xml_below_root"), belowRoot);
    map->insert(QStringLiteral("xml_row"), rowName);
    map->insert(QStringLiteral("remove_empty"), int(removeEmpty));
}

namespace {

class XmlFormat : public OutputFormat
{
public:
    int fileType() const override { return FileTypeXml; }

    void saveOptions(const QVariantMap& options, QVariantMap* stored) const override
    {
        XmlWriteOptions::from(options).store(stored);
    }
    void restoreOptions(
        const QVariantMap& stored, const QString&, QVariantMap* options) const override
    {
        XmlWriteOptions::from(stored).store(options);
    }
    OutputSummaryRows trailingSummary(const TextWriteOptions& options) const override
    {
        const XmlWriteOptions o = XmlWriteOptions::from(options.formatOptions);
        return { qMakePair(QStringLiteral("Remove empty"), OptionMap::yesNo(o.removeEmpty)),
            qMakePair(QStringLiteral("Above root"), o.aboveRoot),
            qMakePair(QStringLiteral("Root name"), o.rootName),
            qMakePair(QStringLiteral("Below root"), o.belowRoot),
            qMakePair(QStringLiteral("Row name"), o.rowName) };
    }

    TextWriteResult write(QTextStream& stream, const Dataset& data, const TextWriteOptions& options,
        const WriteProgress& progress) const override
    {
        return writeXml(stream, data, options, progress);
    }
};

} // namespace

const OutputFormat& xmlOutputFormat()
{
    static const XmlFormat format;
    return format;
}
