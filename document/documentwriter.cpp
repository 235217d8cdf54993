#include "document/documentwriter.h"

#include "document/documentcodec.h"
#include "graph/connection.h"
#include "graph/graphmodel.h"
#include "graph/node.h"
#include "graph/transformnode.h"
#include "output/outputfile.h"
#include "transforms/transform.h"

#include <QColor>
#include <QCoreApplication>
#include <QDir>
#include <QDomElement>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QLocale>
#include <QRegularExpression>
#include <QSaveFile>
#include <QSet>
#include <QSysInfo>
#include <QTextStream>

#include <algorithm>

#include <sys/file.h>

namespace DocumentWriter {

namespace {

using namespace DocumentCodec;

void setText(QDomElement& element, const QString& name, const QString& text)
{
    if (!text.isEmpty())
        element.setAttribute(name, encodeText(text));
}

void addMetaChild(QDomDocument& doc, QDomElement& meta, const QString& name, const QString& value)
{
    QDomElement child = doc.createElement(name);
    setText(child, QStringLiteral("value"), value);
    meta.appendChild(child);
}

QString lastSavedBy(const QDateTime& when)
{
    QString text = currentUserName();
    if (!text.isEmpty())
        text += QStringLiteral("_using_");
    text += productName() + QLatin1Char(' ') + QStringLiteral(VARNIX_VERSION) + QLatin1Char(' ')
        + QSysInfo::prettyProductName() + QLatin1Char(' ') + QSysInfo::currentCpuArchitecture()
        + QLatin1Char(' ') + when.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    static const QRegularExpression blanksAndPunctuation(QStringLiteral("[\\s\\p{P}\\p{S}]"));
    return text.replace(blanksAndPunctuation, QStringLiteral("_"));
}

QDomElement buildMeta(QDomDocument& doc, const QString& documentPath, const DocumentInfo& info,
    const QDateTime& savedAt)
{
    QDomElement meta = doc.createElement(QStringLiteral("meta"));
    addMetaChild(
        doc, meta, QStringLiteral("version"), QString::number(DocumentInfo::CurrentVersion));
    addMetaChild(doc, meta, QStringLiteral("last_saved_by"), lastSavedBy(savedAt));
    addMetaChild(doc, meta, QStringLiteral("locale"), QLocale().name());
    if (!info.id.isEmpty())
        addMetaChild(doc, meta, QStringLiteral("id"), info.id);
    addMetaChild(
        doc, meta, QStringLiteral("snap_to_grid"), QString::number(info.snapToGrid ? 1 : 0));
    addMetaChild(doc, meta, QStringLiteral("notes"), info.notes);
    const QString nativePath = documentPath.isEmpty()
        ? QString()
        : QDir::toNativeSeparators(QFileInfo(documentPath).absoluteFilePath());
    addMetaChild(doc, meta, QStringLiteral("doc_path"), nativePath);
    addMetaChild(doc, meta, QStringLiteral("auto_run_on"), QString::number(info.autoRun ? 1 : 0));
    return meta;
}

void writeCommon(QDomElement& element, const Node* node, bool withOldPosition)
{
    element.setAttribute(QStringLiteral("id"), QString::number(node->id()));
    setText(element, QStringLiteral("comment"), node->comment());
    element.setAttribute(QStringLiteral("pos_v12"), encodePosition(node->pos()));
    if (withOldPosition)
        element.setAttribute(QStringLiteral("pos"), encodeOldPosition(node->pos()));
}

// A parameter's value is its serialised form: parts joined by U+001F, each
// free text percent-encoded, columns stored by their position upstream.
// The composite types put their parts in this order:
//   SortColumns      per column: position, 1 ascending or 0 descending
//   FilterColumns    keep/remove, all/any, then per term: position,
//                    operator number, text
//   If               per branch: "*StartIf*", its terms (position, operator
//                    number, text), "*EndIf*", the THEN value; the ELSE
//                    value last
//   RenameColumns    per upstream position up to the last renamed column:
//                    the new name or "*NORENAME*"
//   SplitRows        mode, times, every, text
//   Unique           per column: position, aggregation number, text
//   ReplaceTerms     per term: match type number, find text, replace text
//   VerifyRules      "*Dataset*" and the dataset rules, then per column
//                    "*Column*", position, column type, expected name and
//                    its rules; a rule is kind, checked, severity, value
//   OrderedColumns   the positions in their order
QDomElement transformElement(QDomDocument& doc, const TransformNode* node)
{
    QDomElement element = doc.createElement(QStringLiteral("transform"));
    writeCommon(element, node, true);
    const Transform* transform = node->transform();
    if (!transform)
        return element;
    element.setAttribute(QStringLiteral("name"), encodeText(transform->typeKey()));
    QDomElement parameters = doc.createElement(QStringLiteral("parameters"));
    const QList<TransformParameter*> list = transform->parameters();
    for (const TransformParameter* p : list) {
        QDomElement parameter = doc.createElement(QStringLiteral("parameter"));
        parameter.setAttribute(QStringLiteral("name"), encodeText(p->key()));
        parameter.setAttribute(QStringLiteral("type"), QString::number(p->typeNumber()));
        // The serialiser has encoded every free text part already.
        parameter.setAttribute(QStringLiteral("value"), p->serialise());
        parameters.appendChild(parameter);
    }
    element.appendChild(parameters);
    return element;
}

// Each kind's element is named after it ("input", "note"); transforms store
// their parameters, the file items their name and the older position form
// as well, everything else its options.
QDomElement itemElement(QDomDocument& doc, const Node* node)
{
    if (const auto* transform = qobject_cast<const TransformNode*>(node))
        return transformElement(doc, transform);
    QDomElement element = doc.createElement(node->typeName().toLower());
    const bool fileItem = node->isFileItem();
    writeCommon(element, node, fileItem);
    if (fileItem)
        setText(element, QStringLiteral("name"), node->displayName());
    writeOptions(element, node->saveOptions());
    return element;
}

void appendItems(QDomDocument& doc, QDomElement& root, const QList<Node*>& nodes)
{
    // The document format lists the kinds in this order, each in a group
    // named after its element.
    static const char* const order[] = { "input", "transform", "output", "chart", "note" };
    for (const char* element : order) {
        const QString name = QLatin1String(element);
        QList<Node*> kind;
        for (Node* n : nodes) {
            if (n->typeName().toLower() == name)
                kind.append(n);
        }
        std::sort(kind.begin(), kind.end(),
            [](const Node* a, const Node* b) { return a->id() < b->id(); });
        QDomElement group = doc.createElement(name + QLatin1Char('s'));
        for (const Node* n : qAsConst(kind))
            group.appendChild(itemElement(doc, n));
        root.appendChild(group);
    }
}

// Chart elements kept from the loaded document go back as they were read.
void appendKeptCharts(QDomDocument& doc, QDomElement& root, const DocumentInfo& info)
{
    QDomElement group = root.firstChildElement(QStringLiteral("charts"));
    for (const QString& text : info.keptCharts) {
        QDomDocument fragment;
        if (fragment.setContent(text, false))
            group.appendChild(doc.importNode(fragment.documentElement(), true));
    }
}

void appendConnections(QDomDocument& doc, QDomElement& root, const GraphModel& scene,
    const DocumentInfo& info, bool selectedOnly)
{
    QList<QPair<qint32, qint32>> pairs;
    if (!selectedOnly) {
        // A kept chart stays connected only while its upstream item exists.
        QSet<qint32> ids;
        for (const Node* n : scene.nodes())
            ids.insert(n->id());
        for (const auto& pair : info.keptChartConnections) {
            if (ids.contains(pair.first))
                pairs.append(pair);
        }
    }
    const QList<Connection*> connections = scene.connections();
    for (const Connection* c : connections) {
        if (selectedOnly
            && !(c->isSelected() && c->startNode()->isSelected() && c->endNode()->isSelected()))
            continue;
        pairs.append(qMakePair(c->startNode()->id(), c->endNode()->id()));
    }
    std::sort(pairs.begin(), pairs.end());
    QDomElement group = doc.createElement(QStringLiteral("connections"));
    for (const auto& pair : qAsConst(pairs)) {
        QDomElement c = doc.createElement(QStringLiteral("connection"));
        c.setAttribute(QStringLiteral("start_id"), QString::number(pair.first));
        c.setAttribute(QStringLiteral("end_id"), QString::number(pair.second));
        group.appendChild(c);
    }
    root.appendChild(group);
}

void appendBatch(QDomDocument& doc, QDomElement& root, const DocumentInfo& info)
{
    QDomElement values = doc.createElement(QStringLiteral("batch_values"));
    for (const BatchValue& v : info.batchValues) {
        QDomElement cell = doc.createElement(QStringLiteral("batch_value"));
        cell.setAttribute(QStringLiteral("row"), QString::number(v.row));
        setText(cell, QStringLiteral("alias"), v.alias);
        setText(cell, QStringLiteral("value"), v.value);
        values.appendChild(cell);
    }
    root.appendChild(values);
    QDomElement logging = doc.createElement(QStringLiteral("batch_logging"));
    logging.setAttribute(QStringLiteral("verbosity"), QString::number(info.batchLogging.verbosity));
    logging.setAttribute(
        QStringLiteral("enabled"), QString::number(info.batchLogging.enabled ? 1 : 0));
    setText(logging, QStringLiteral("path"), info.batchLogging.path);
    logging.setAttribute(QStringLiteral("mode"), QString::number(info.batchLogging.mode));
    root.appendChild(logging);
}

// The held file is replaced rather than rewritten in place: a save cut
// short by a full disk or a killed process must leave the previous document
// whole, and writing over the held bytes cannot promise that. The new text
// goes to a file beside it, synced to disk, which then takes the document's
// name in one step; the new file is held in its turn.
bool writeHeld(QFile& file, const QByteArray& text, QString* error)
{
    const QString path = file.fileName();
    const QString native = QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
    QSaveFile replacement(path);
    if (!replacement.open(QIODevice::WriteOnly)) {
        *error = QStringLiteral("Can't access file '%1' to write.").arg(native);
        return false;
    }
    const qint64 written = replacement.write(text);
    if (written < 0 || replacement.error() != QFileDevice::NoError) {
        *error = QStringLiteral("Can't write to file '%1'.").arg(native);
        replacement.cancelWriting();
        return false;
    }
    if (written < text.size() || !replacement.commit()) {
        *error = QStringLiteral("Failed to write to file '%1'.").arg(native);
        return false;
    }
    ::flock(file.handle(), LOCK_UN);
    file.close();
    if (file.open(QIODevice::ReadWrite) && ::flock(file.handle(), LOCK_EX | LOCK_NB) != 0)
        file.close();
    return true;
}

bool writeAtomic(const QString& path, const QByteArray& text, QString* error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        *error = QStringLiteral("Can't open file '%1' to write.")
                     .arg(QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath()));
        return false;
    }
    QTextStream stream(&file);
    stream.setCodec("UTF-8");
    stream << QString::fromUtf8(text);
    stream.flush();
    if (stream.status() != QTextStream::Ok || file.error() != QFileDevice::NoError) {
        *error = QStringLiteral("Can't save to file. %1").arg(file.errorString());
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        *error = QStringLiteral("Can't commit to file. %1").arg(file.errorString());
        return false;
    }
    return true;
}

} // namespace

QString productName()
{
    return QStringLiteral("Varnix");
}

bool isRawColumnKey(const QString& key)
{
    return key == QLatin1String("multi_file_column")
        || key == QLatin1String("excel_manual_col_formats")
        || key == QLatin1String("json_manual_col_types");
}

void writeOptions(QDomElement& element, const QVariantMap& options)
{
    for (auto it = options.constBegin(); it != options.constEnd(); ++it) {
        const QVariant& v = it.value();
        switch (int(v.type())) {
        case QMetaType::Bool:
            element.setAttribute(it.key(), QString::number(v.toBool() ? 1 : 0));
            break;
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
            element.setAttribute(it.key(), v.toString());
            break;
        case QMetaType::Double:
        case QMetaType::Float:
            element.setAttribute(it.key(), encodeReal(v.toDouble()));
            break;
        case QMetaType::QString:
            if (isRawColumnKey(it.key()))
                element.setAttribute(it.key(), v.toString());
            else
                setText(element, it.key(), v.toString());
            break;
        case QMetaType::QStringList:
            if (!v.toStringList().isEmpty())
                element.setAttribute(it.key(), encodeList(v.toStringList()));
            break;
        case QMetaType::QColor:
            element.setAttribute(it.key(), encodeColour(v.value<QColor>()));
            break;
        default:
            // Nothing else has a stored form.
            break;
        }
    }
}

QDomDocument build(const GraphModel& scene, const QString& documentPath, const DocumentInfo& info,
    const SaveOptions& options)
{
    // The attribute order of the tree follows the hash seed.
    qSetGlobalQHashSeed(0);
    QDomDocument doc(QStringLiteral("Varnix"));
    QDomElement root = doc.createElement(QStringLiteral("root"));
    doc.appendChild(root);
    const QDateTime savedAt
        = options.savedAt.isValid() ? options.savedAt : QDateTime::currentDateTime();
    root.appendChild(buildMeta(doc, documentPath, info, savedAt));
    appendItems(doc, root, scene.nodes(options.selectedOnly));
    if (!options.selectedOnly)
        appendKeptCharts(doc, root, info);
    appendConnections(doc, root, scene, info, options.selectedOnly);
    appendBatch(doc, root, info);
    return doc;
}

QByteArray toText(const QDomDocument& document)
{
    return document.toByteArray(4);
}

bool save(const GraphModel& scene, const QString& documentPath, const DocumentInfo& info,
    const SaveOptions& options, QString* error)
{
    QString ignored;
    QString* message = error ? error : &ignored;
    const QByteArray text = toText(build(scene, documentPath, info, options));
    if (options.heldFile && options.heldFile->isOpen())
        return writeHeld(*options.heldFile, text, message);
    return writeAtomic(documentPath, text, message);
}

} // namespace DocumentWriter
