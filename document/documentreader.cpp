#include "document/documentreader.h"

#include "document/documentcodec.h"
#include "document/documentwriter.h"
#include "graph/aliases.h"
#include "graph/graphmodel.h"
#include "graph/inputnode.h"
#include "graph/missingupstream.h"
#include "graph/node.h"
#include "graph/nodefactory.h"
#include "graph/outputnode.h"
#include "graph/transformnode.h"
#include "transforms/catalogue.h"
#include "transforms/transform.h"

#include <QColor>
#include <QDir>
#include <QDomElement>
#include <QDomNamedNodeMap>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QTextStream>
#include <QVector>
#include <QXmlStreamReader>

#include <algorithm>

namespace DocumentReader {

namespace {

using namespace DocumentCodec;
using DocumentUpgrades::Attributes;
using DocumentUpgrades::ParameterPairs;

struct PendingItem
{
    Node* node = nullptr;
    Attributes attributes;
    QVariantMap options;
};

struct ReadContext
{
    explicit ReadContext(GraphModel& target) : scene(target) { }
    GraphModel& scene;
    int version = DocumentInfo::CurrentVersion;
    QString storedDocumentPath;
    QString documentPath;
    LoadReport* report = nullptr;
    QHash<qint32, Node*> byId;
    qint32 maxId = -1;
    QList<QPair<QString, int>> skippedTransforms;
    // Type key of every transform element that was not added, by its id.
    QHash<qint32, QString> skippedIds;
    QStringList keptCharts;
    QSet<qint32> keptChartIds;
    QVector<QPair<qint32, qint32>> keptChartConnections;
    int unmadeItems = 0;
    QList<QPair<TransformNode*, ParameterPairs>> parameters;
};

Attributes attributesOf(const QDomElement& element)
{
    Attributes attributes;
    const QDomNamedNodeMap map = element.attributes();
    for (int i = 0; i < map.count(); ++i) {
        const QDomAttr a = map.item(i).toAttr();
        attributes.insert(a.name(), a.value());
    }
    return attributes;
}

QList<QDomElement> childElements(const QDomElement& parent, const QString& tag)
{
    QList<QDomElement> list;
    for (QDomElement e = parent.firstChildElement(tag); !e.isNull(); e = e.nextSiblingElement(tag))
        list.append(e);
    return list;
}

qint32 idOf(const Attributes& attributes)
{
    return decodeInt(attributes.value(QStringLiteral("id")), -1);
}

QPointF positionOf(const Attributes& attributes)
{
    const QString key = attributes.contains(QStringLiteral("pos_v12")) ? QStringLiteral("pos_v12")
                                                                       : QStringLiteral("pos");
    return decodePosition(attributes.value(key));
}

// Makes the item of a kind and decodes its options; null for a kind this
// program cannot make.
PendingItem makeItem(ReadContext& context, int type, const Attributes& attributes)
{
    PendingItem item;
    item.attributes = attributes;
    item.node = NodeFactory::create(type);
    if (!item.node) {
        ++context.unmadeItems;
        return item;
    }
    item.options = readOptions(attributes, item.node->saveOptions());
    return item;
}

void placeItem(ReadContext& context, const PendingItem& item)
{
    Node* node = item.node;
    const qint32 id = idOf(item.attributes);
    node->setId(id);
    node->setPos(positionOf(item.attributes));
    node->setComment(decodeText(item.attributes.value(QStringLiteral("comment"))));
    node->restoreOptions(item.options);
    context.scene.insertNode(node);
    context.byId.insert(id, node);
    context.maxId = std::max(context.maxId, id);
}

QList<Attributes> itemAttributes(const QDomElement& root, const QString& group, const QString& tag)
{
    QList<Attributes> list;
    for (const QDomElement& e : childElements(root.firstChildElement(group), tag)) {
        Attributes attributes = attributesOf(e);
        if (idOf(attributes) != -1)
            list.append(attributes);
    }
    return list;
}

void relocate(ReadContext& context, QVariantMap& options)
{
    const QString key = QStringLiteral("path");
    if (options.value(key).type() != QVariant::String)
        return;
    const QString moved = relocatedPath(
        options.value(key).toString().trimmed(), context.storedDocumentPath, context.documentPath);
    if (moved.isEmpty())
        return;
    options.insert(key, moved);
    if (context.report)
        context.report->relocated = true;
}

bool isFileSource(const QVariantMap& options)
{
    return options.value(QStringLiteral("medium"), int(MediumFile)).toInt() == MediumFile;
}

// File inputs without an alias get one from their file name, so that batch
// runs and the command line can address them.
void assignAliases(QVector<PendingItem>& inputs)
{
    const QString aliasKey = QStringLiteral("alias");
    QSet<QString> used;
    for (const PendingItem& item : qAsConst(inputs))
        used.insert(item.options.value(aliasKey).toString().trimmed());
    for (PendingItem& item : inputs) {
        const QString path = item.options.value(QStringLiteral("path")).toString().trimmed();
        if (path.isEmpty() || !isFileSource(item.options)
            || !item.options.value(aliasKey).toString().trimmed().isEmpty())
            continue;
        const QString alias = uniqueAlias(path, used);
        used.insert(alias);
        item.options.insert(aliasKey, alias);
    }
}

void readInputs(ReadContext& context, const QDomElement& root)
{
    QVector<PendingItem> inputs;
    for (Attributes attributes :
        itemAttributes(root, QStringLiteral("inputs"), QStringLiteral("input"))) {
        DocumentUpgrades::upgradeInputAttributes(attributes, context.version);
        PendingItem item = makeItem(context, InputNodeType, attributes);
        if (!item.node)
            continue;
        relocate(context, item.options);
        inputs.append(item);
    }
    assignAliases(inputs);
    for (const PendingItem& item : qAsConst(inputs))
        placeItem(context, item);
}

void readTransform(ReadContext& context, const Attributes& attributes, const QDomElement& element)
{
    const QString typeKey = decodeText(attributes.value(QStringLiteral("name")));
    Transform* transform = Catalogue::instance().create(typeKey);
    if (!transform) {
        auto it = std::find_if(context.skippedTransforms.begin(), context.skippedTransforms.end(),
            [&](const QPair<QString, int>& p) { return p.first == typeKey; });
        if (it == context.skippedTransforms.end())
            context.skippedTransforms.append(qMakePair(typeKey, 1));
        else
            ++it->second;
        context.skippedIds.insert(idOf(attributes), typeKey);
        return;
    }
    ParameterPairs pairs;
    const QDomElement parameters = element.firstChildElement(QStringLiteral("parameters"));
    for (const QDomElement& p : childElements(parameters, QStringLiteral("parameter"))) {
        pairs.append(qMakePair(decodeText(p.attribute(QStringLiteral("name"))),
            decodeText(p.attribute(QStringLiteral("value")))));
    }
    DocumentUpgrades::upgradeParameters(typeKey, pairs, context.version);
    PendingItem item;
    item.attributes = attributes;
    auto* node = new TransformNode(transform);
    item.node = node;
    placeItem(context, item);
    context.parameters.append(qMakePair(node, pairs));
}

void readTransforms(ReadContext& context, const QDomElement& root)
{
    const QDomElement group = root.firstChildElement(QStringLiteral("transforms"));
    for (const QDomElement& e : childElements(group, QStringLiteral("transform"))) {
        const Attributes attributes = attributesOf(e);
        if (idOf(attributes) != -1)
            readTransform(context, attributes, e);
    }
}

void readOtherItems(ReadContext& context, const QDomElement& root)
{
    for (Attributes attributes :
        itemAttributes(root, QStringLiteral("outputs"), QStringLiteral("output"))) {
        DocumentUpgrades::upgradeOutputAttributes(attributes, context.version);
        const PendingItem item = makeItem(context, OutputNodeType, attributes);
        if (item.node)
            placeItem(context, item);
    }
    for (const Attributes& attributes :
        itemAttributes(root, QStringLiteral("charts"), QStringLiteral("chart"))) {
        if (!NodeFactory::knowsKind(ChartNodeType))
            continue;
        const PendingItem item = makeItem(context, ChartNodeType, attributes);
        if (item.node)
            placeItem(context, item);
    }
    for (const Attributes& attributes :
        itemAttributes(root, QStringLiteral("notes"), QStringLiteral("note"))) {
        const PendingItem item = makeItem(context, NoteNodeType, attributes);
        if (item.node)
            placeItem(context, item);
    }
}

// Without Chart items a chart element is kept as it was read, so that saving
// the document gives it back unchanged.
void keepCharts(ReadContext& context, const QDomElement& root)
{
    if (NodeFactory::knowsKind(ChartNodeType))
        return;
    const QDomElement group = root.firstChildElement(QStringLiteral("charts"));
    for (const QDomElement& e : childElements(group, QStringLiteral("chart"))) {
        const qint32 id = idOf(attributesOf(e));
        if (id == -1 || context.byId.contains(id) || context.keptChartIds.contains(id))
            continue;
        QString text;
        QTextStream stream(&text);
        e.save(stream, 0);
        context.keptCharts << text;
        context.keptChartIds.insert(id);
        context.maxId = std::max(context.maxId, id);
    }
}

void readConnections(ReadContext& context, const QDomElement& root)
{
    const QDomElement group = root.firstChildElement(QStringLiteral("connections"));
    for (const QDomElement& e : childElements(group, QStringLiteral("connection"))) {
        const qint32 start = decodeInt(e.attribute(QStringLiteral("start_id")), -1);
        const qint32 end = decodeInt(e.attribute(QStringLiteral("end_id")), -1);
        Node* from = context.byId.value(start);
        Node* to = context.byId.value(end);
        if (to && !from && context.skippedIds.contains(start)) {
            MissingUpstream::add(to,
                QStringLiteral("Upstream item %1 is missing: its transform type '%2' is not "
                               "available")
                    .arg(start)
                    .arg(context.skippedIds.value(start)));
        }
        if (from && context.keptChartIds.contains(end))
            context.keptChartConnections.append(qMakePair(start, end));
        if (start == -1 || end == -1 || start == end || !from || !to)
            continue;
        // A hand-edited file may break the connection rules the graph
        // relies on; such a connection is dropped like one to a missing item.
        if (context.scene.canConnect(from, to))
            context.scene.insertConnection(from, to);
    }
}

void applyParameters(ReadContext& context)
{
    for (const auto& entry : qAsConst(context.parameters)) {
        TransformNode* node = entry.first;
        node->upstreamChanged();
        for (const auto& pair : entry.second) {
            TransformParameter* p = node->transform()->parameter(pair.first);
            if (p)
                p->deserialise(pair.second, context.version);
        }
    }
}

void readMeta(const QDomElement& root, DocumentInfo* info, ReadContext& context)
{
    QHash<QString, QString> values;
    const QDomElement meta = root.firstChildElement(QStringLiteral("meta"));
    for (QDomElement e = meta.firstChildElement(); !e.isNull(); e = e.nextSiblingElement())
        values.insert(e.tagName(), decodeText(e.attribute(QStringLiteral("value"))));
    info->version = values.contains(QStringLiteral("version"))
        ? decodeInt(values.value(QStringLiteral("version")), DocumentInfo::CurrentVersion)
        : DocumentInfo::CurrentVersion;
    info->locale = values.value(QStringLiteral("locale"));
    info->id = values.value(QStringLiteral("id"));
    info->snapToGrid = decodeInt(values.value(QStringLiteral("snap_to_grid")), 0) != 0;
    info->notes = values.value(QStringLiteral("notes"));
    info->autoRun = decodeInt(values.value(QStringLiteral("auto_run_on")), 1) != 0;
    context.version = info->version;
    context.storedDocumentPath = values.value(QStringLiteral("doc_path"));
}

void readBatch(const QDomElement& root, DocumentInfo* info, int version)
{
    info->batchValues.clear();
    const QDomElement values = root.firstChildElement(QStringLiteral("batch_values"));
    for (const QDomElement& e : childElements(values, QStringLiteral("batch_value"))) {
        BatchValue v;
        v.row = decodeInt(e.attribute(QStringLiteral("row")), 0);
        v.alias = decodeText(e.attribute(QStringLiteral("alias")));
        v.value = decodeText(e.attribute(QStringLiteral("value")));
        info->batchValues.append(v);
    }
    Attributes logging = attributesOf(root.firstChildElement(QStringLiteral("batch_logging")));
    DocumentUpgrades::upgradeBatchLogging(logging, version);
    info->batchLogging.verbosity = decodeInt(logging.value(QStringLiteral("verbosity")), 2);
    info->batchLogging.enabled = decodeInt(logging.value(QStringLiteral("enabled")), 0) != 0;
    info->batchLogging.path = decodeText(logging.value(QStringLiteral("path")));
    info->batchLogging.mode = decodeInt(logging.value(QStringLiteral("mode")), 0);
}

QString warningsText(const ReadContext& context)
{
    QStringList blocks;
    const QString transforms = skippedTransformsText(context.skippedTransforms);
    if (!transforms.isEmpty())
        blocks << transforms;
    if (!context.keptCharts.isEmpty()) {
        blocks << QStringLiteral("%1 chart item(s) are not shown: charts are not available in "
                                 "this release. They are kept and saved back unchanged.")
                      .arg(context.keptCharts.size());
    }
    if (context.unmadeItems > 0) {
        blocks << QStringLiteral("%1 item(s) of a kind that is not available could not be added.")
                      .arg(context.unmadeItems);
    }
    return blocks.join(QStringLiteral("\n\n"));
}

} // namespace

QVariantMap readOptions(const Attributes& attributes, const QVariantMap& prototype)
{
    QVariantMap options;
    for (auto it = prototype.constBegin(); it != prototype.constEnd(); ++it) {
        const QString& key = it.key();
        if (!attributes.contains(key))
            continue;
        const QString raw = attributes.value(key);
        bool ok = false;
        switch (int(it.value().type())) {
        case QMetaType::Bool:
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
        case QMetaType::ULongLong: {
            const int value = raw.trimmed().toInt(&ok);
            if (ok)
                options.insert(key, value);
            break;
        }
        case QMetaType::Double:
        case QMetaType::Float: {
            const double value = raw.trimmed().toDouble(&ok);
            if (ok)
                options.insert(key, value);
            break;
        }
        case QMetaType::QString:
            options.insert(key, DocumentWriter::isRawColumnKey(key) ? raw : decodeText(raw));
            break;
        case QMetaType::QStringList:
            options.insert(key, decodeList(raw));
            break;
        case QMetaType::QColor: {
            const QColor colour = decodeColour(raw, QColor());
            if (colour.isValid())
                options.insert(key, colour);
            break;
        }
        default:
            break;
        }
    }
    return options;
}

QString relocatedPath(
    const QString& path, const QString& storedDocumentPath, const QString& currentDocumentPath)
{
    if (path.isEmpty() || storedDocumentPath.isEmpty() || currentDocumentPath.isEmpty())
        return QString();
    if (path.startsWith(QLatin1String("//")) || path.startsWith(QLatin1String("\\\\")))
        return QString();
    const QString stored = QDir::cleanPath(QDir::fromNativeSeparators(storedDocumentPath));
    const QString current = QDir::cleanPath(QFileInfo(currentDocumentPath).absoluteFilePath());
    if (stored == current || QFileInfo::exists(path))
        return QString();
    const QString relative
        = QFileInfo(stored).absoluteDir().relativeFilePath(QDir::fromNativeSeparators(path));
    const QString moved = QDir::cleanPath(QFileInfo(current).absoluteDir().filePath(relative));
    return QFileInfo::exists(moved) ? QDir::toNativeSeparators(moved) : QString();
}

QString skippedTransformsText(const QList<QPair<QString, int>>& skipped)
{
    QStringList deprecated;
    QStringList unknown;
    for (const auto& entry : skipped) {
        const QString hint = retiredTransformHint(entry.first);
        const QString line = QStringLiteral("'%1' (%2 %3)")
                                 .arg(entry.first)
                                 .arg(entry.second)
                                 .arg(entry.second == 1 ? QStringLiteral("occurrence")
                                                        : QStringLiteral("occurrences"));
        if (hint.isEmpty())
            unknown << line;
        else
            deprecated << line + hint;
    }
    QStringList blocks;
    if (!deprecated.isEmpty()) {
        deprecated.prepend(QStringLiteral("The following deprecated transforms were not added:"));
        blocks << deprecated.join(QLatin1Char('\n'));
    }
    if (!unknown.isEmpty()) {
        unknown.prepend(QStringLiteral("The following unknown transforms were not added:"));
        blocks << unknown.join(QLatin1Char('\n'));
    }
    return blocks.join(QStringLiteral("\n\n"));
}

bool parse(const QByteArray& text, QDomDocument* document, QString* error)
{
    QString message;
    int line = 0;
    int column = 0;
    if (!document->setContent(text, false, &message, &line, &column)) {
        *error = QStringLiteral("Format error '%1' detected at line %2 column %3.\nContact support "
                                "if you are sure this a %4 file.")
                     .arg(message)
                     .arg(line)
                     .arg(column)
                     .arg(DocumentWriter::productName());
        return false;
    }
    if (document->doctype().name() != DocumentWriter::productName()) {
        *error = QStringLiteral("Incorrect document type.");
        return false;
    }
    if (document->documentElement().tagName() != QLatin1String("root")) {
        *error = QStringLiteral("Document root not found.");
        return false;
    }
    return true;
}

void read(const QDomDocument& document, GraphModel& scene, const QString& documentPath,
    DocumentInfo* info, LoadReport* report)
{
    DocumentInfo ignoredInfo;
    DocumentInfo* target = info ? info : &ignoredInfo;
    ReadContext context(scene);
    context.report = report;
    context.documentPath = documentPath;
    const QDomElement root = document.documentElement();
    readMeta(root, target, context);
    readInputs(context, root);
    readTransforms(context, root);
    readOtherItems(context, root);
    keepCharts(context, root);
    readConnections(context, root);
    applyParameters(context);
    context.scene.reserveId(context.maxId);
    readBatch(root, target, context.version);
    target->keptCharts = context.keptCharts;
    target->keptChartConnections = context.keptChartConnections;
    if (report) {
        report->newerRelease = target->version > DocumentInfo::CurrentVersion;
        report->warnings = warningsText(context);
    }
}

bool hasCharts(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    QXmlStreamReader xml(&file);
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement
            && xml.name() == QLatin1String("chart"))
            return true;
    }
    return false;
}

bool load(
    const QString& path, GraphModel& scene, DocumentInfo* info, LoadReport* report, QString* error)
{
    QString ignored;
    QString* message = error ? error : &ignored;
    const QString native = QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *message = QStringLiteral("Can't open file '%1'.").arg(native);
        return false;
    }
    if (file.size() == 0) {
        *message = QStringLiteral("File '%1' is empty (size=0).").arg(native);
        return false;
    }
    QDomDocument document;
    if (!parse(file.readAll(), &document, message))
        return false;
    read(document, scene, path, info, report);
    // Relative output paths and {transformfname} are taken from the
    // document's own file, wherever the program was started from.
    scene.setDocumentPath(QFileInfo(path).absoluteFilePath());
    return true;
}

} // namespace DocumentReader
