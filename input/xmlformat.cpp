// XML input. The document is read with QXmlStreamReader into the same
// record tree as JSON: elements are objects, attributes and text are plain
// values, and elements repeated under one parent form an array, so that
// Wide and Long layouts treat them like the arrays of JSON.
//
// Entity expansion is off: an entity declared in the document's own DTD is
// an error rather than text, so that a few lines of nested entities cannot
// grow into gigabytes.

#include "input/inputformat.h"
#include "input/recordtree.h"
#include "input/rowsink.h"
#include "input/textparsers.h"
#include "input/textsource.h"

#include <QHash>
#include <QXmlStreamReader>

namespace {

constexpr qint64 ProgressInterval = 50000;

QString elementName(QStringView name)
{
    int start = 0;
    while (start < name.size() && name.at(start) == QLatin1Char('_'))
        ++start;
    QString text = name.mid(start).toString();
    text.replace(QLatin1Char('.'), QLatin1Char('-'));
    return text;
}

QString attributeName(QStringView name)
{
    return QLatin1Char('_') + elementName(name);
}

// Children of one name that occur more than once become one array at the
// place of the first of them, so that they flatten to name.0, name.1 ...
// (Wide) or to rows of their own (Long) instead of overwriting each other.
void groupRepeated(RecordNode* node)
{
    QHash<QString, int> counts;
    for (const RecordNode& child : node->children)
        ++counts[child.name];
    bool repeated = false;
    for (auto it = counts.cbegin(); it != counts.cend() && !repeated; ++it)
        repeated = it.value() > 1;
    if (!repeated)
        return;
    std::vector<RecordNode> grouped;
    QHash<QString, int> arrayAt;
    for (RecordNode& child : node->children) {
        if (counts.value(child.name) < 2) {
            grouped.push_back(std::move(child));
            continue;
        }
        auto it = arrayAt.constFind(child.name);
        if (it == arrayAt.constEnd()) {
            RecordNode array;
            array.name = child.name;
            array.kind = RecordNode::Array;
            it = arrayAt.insert(child.name, int(grouped.size()));
            grouped.push_back(std::move(array));
        }
        child.name.clear();
        grouped[size_t(*it)].children.push_back(std::move(child));
    }
    node->children = std::move(grouped);
}

// An element without children is a plain value; one with children keeps
// its own text, if any, as an unnamed first child under its own path.
void finishElement(RecordNode* node, const QString& text, const ReadOptions& options)
{
    const QString value = cleanValue(text, options.trimWhitespace, options.simplifyWhitespace);
    if (node->children.empty()) {
        node->kind = RecordNode::Plain;
        node->value = value;
        return;
    }
    if (!value.isEmpty()) {
        RecordNode own;
        own.value = value;
        node->children.insert(node->children.begin(), std::move(own));
    }
    groupRepeated(node);
}

struct XmlOutcome
{
    QString error;
    bool stopped = false;
};

XmlOutcome buildTree(const QString& text, const ReadOptions& options, const ReadProgress& progress,
    RecordNode* document)
{
    QXmlStreamReader xml(text);
    xml.setNamespaceProcessing(false);
    xml.setEntityExpansionLimit(0);
    ProgressTracker tracker(progress, text.size(), ProgressInterval);
    std::vector<RecordNode*> stack { document };
    QStringList texts { QString() };
    XmlOutcome outcome;
    while (!xml.atEnd()) {
        switch (xml.readNext()) {
        case QXmlStreamReader::StartElement: {
            if (int(stack.size()) > MaxRecordDepth) {
                xml.raiseError(
                    QStringLiteral("nested more than %1 levels deep").arg(MaxRecordDepth));
                break;
            }
            RecordNode* parent = stack.back();
            parent->children.emplace_back();
            RecordNode* node = &parent->children.back();
            node->kind = RecordNode::Object;
            node->name = elementName(xml.name());
            for (const QXmlStreamAttribute& attribute : xml.attributes()) {
                RecordNode a;
                a.name = attributeName(attribute.name());
                a.value = cleanValue(attribute.value().toString(), options.trimWhitespace,
                    options.simplifyWhitespace);
                node->children.push_back(std::move(a));
            }
            stack.push_back(node);
            texts.append(QString());
            break;
        }
        case QXmlStreamReader::Characters:
            if (!xml.isWhitespace())
                texts.last() += xml.text();
            break;
        case QXmlStreamReader::EndElement:
            finishElement(stack.back(), texts.takeLast(), options);
            stack.pop_back();
            if (!tracker.at(xml.characterOffset())) {
                outcome.stopped = true;
                return outcome;
            }
            break;
        default:
            break;
        }
    }
    if (xml.hasError())
        outcome.error = QStringLiteral("Error parsing XML: %1 at line %2 column %3")
                            .arg(xml.errorString())
                            .arg(xml.lineNumber())
                            .arg(xml.columnNumber());
    return outcome;
}

// The record level: below chains of single elements, the elements repeated
// there are the records; otherwise the innermost single element is one
// record, its repeated children giving columns (Wide) or rows (Long).
void addRecords(const RecordNode& document, RecordFlattener* flattener)
{
    if (document.children.empty())
        return;
    const RecordNode* container = &document.children.front();
    for (;;) {
        const RecordNode* only = nullptr;
        int elements = 0;
        for (const RecordNode& child : container->children) {
            if (child.kind == RecordNode::Plain && child.name.startsWith(QLatin1Char('_')))
                continue;
            ++elements;
            only = &child;
        }
        if (elements == 1 && only->kind == RecordNode::Array) {
            for (const RecordNode& record : only->children)
                flattener->addRecord(record);
            return;
        }
        if (elements != 1 || only->kind != RecordNode::Object)
            break;
        container = only;
    }
    flattener->addRecord(*container);
}

class XmlFormat : public InputFormat
{
public:
    int fileType() const override { return FileTypeXml; }
    bool namesColumns() const override { return true; }
    bool recognises(QStringView start) const override { return start.startsWith(QLatin1Char('<')); }

    void saveOptions(const QVariantMap& options, QVariantMap* stored) const override
    {
        LayoutReadOptions::from(options).store(stored);
    }
    void restoreOptions(const QVariantMap& stored, QVariantMap* options) const override
    {
        LayoutReadOptions::from(stored, LayoutLong).store(options);
    }
    SummaryRows optionSummary(const ReadOptions& o) const override
    {
        return InputFormat::optionSummary(o)
            + SummaryRows { LayoutReadOptions::from(o.formatOptions).summaryRow() };
    }

    bool parse(TextSource& source, const ReadOptions& options, const ReadProgress& progress,
        ReadResult* result) const override
    {
        return guardMemory(source, result, [&] {
            const QString text = source.readAll();
            if (source.hasReadError()) {
                result->fail(QStringLiteral("Unable to read '%1'").arg(displayPath(source.path())));
                return false;
            }
            addDecodingWarnings(source, result);
            RecordNode document;
            document.kind = RecordNode::Object;
            const XmlOutcome outcome = buildTree(text, options, progress, &document);
            if (outcome.stopped) {
                result->stopped = true;
                result->fail(QStringLiteral("Stopped by user"));
                return false;
            }
            if (!outcome.error.isEmpty()) {
                result->fail(outcome.error);
                return false;
            }
            RecordFlattener flattener(&result->dataset,
                XmlReadOptions::from(options.formatOptions).layout, options.ignoreEmptyRows);
            addRecords(document, &flattener);
            flattener.finish();
            return true;
        });
    }
};

} // namespace

const InputFormat& xmlInputFormat()
{
    static const XmlFormat format;
    return format;
}
