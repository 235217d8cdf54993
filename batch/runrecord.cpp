#include "batch/runrecord.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

namespace {

const QString SchemaName = QStringLiteral("varnix-run-record");

QString isoTime(const QDateTime& time)
{
    // With the offset from UTC, so that records of machines in other time
    // zones compare.
    return time.isValid() ? time.toOffsetFromUtc(time.offsetFromUtc()).toString(Qt::ISODateWithMs)
                          : QString();
}

QStringList textsOf(const QJsonValue& value)
{
    QStringList list;
    for (const QJsonValue& v : value.toArray())
        list << v.toString();
    return list;
}

QJsonObject columnJson(const ColumnFacts& c)
{
    QJsonObject o { { QStringLiteral("name"), c.name }, { QStringLiteral("kind"), c.kind },
        { QStringLiteral("distinct"), c.distinct },
        { QStringLiteral("first"), QJsonArray::fromStringList(c.first) } };
    if (!c.dateFormat.isEmpty())
        o.insert(QStringLiteral("date_format"), c.dateFormat);
    if (c.distinctEstimated)
        o.insert(QStringLiteral("distinct_estimated"), true);
    else if (c.distinct <= ColumnFacts::ListedValues)
        o.insert(QStringLiteral("values"), QJsonArray::fromStringList(c.values));
    return o;
}

ColumnFacts columnFrom(const QJsonObject& o)
{
    ColumnFacts c;
    c.name = o.value(QStringLiteral("name")).toString();
    c.kind = o.value(QStringLiteral("kind")).toString();
    c.dateFormat = o.value(QStringLiteral("date_format")).toString();
    c.distinct = o.value(QStringLiteral("distinct")).toInt();
    c.distinctEstimated = o.value(QStringLiteral("distinct_estimated")).toBool();
    c.values = textsOf(o.value(QStringLiteral("values")));
    c.first = textsOf(o.value(QStringLiteral("first")));
    return c;
}

QJsonObject inputJson(const InputFacts& in)
{
    QJsonObject choices;
    for (auto it = in.choices.constBegin(); it != in.choices.constEnd(); ++it)
        choices.insert(it.key(), it.value());
    QJsonArray columns;
    for (const ColumnFacts& c : in.columns)
        columns.append(columnJson(c));
    return { { QStringLiteral("label"), in.label }, { QStringLiteral("path"), in.path },
        { QStringLiteral("size"), double(in.size) },
        { QStringLiteral("modified"), isoTime(in.modified) },
        { QStringLiteral("sha256"), in.sha256 }, { QStringLiteral("choices"), choices },
        { QStringLiteral("rows"), in.rows }, { QStringLiteral("columns"), columns } };
}

InputFacts inputFrom(const QJsonObject& o)
{
    InputFacts in;
    in.label = o.value(QStringLiteral("label")).toString();
    in.path = o.value(QStringLiteral("path")).toString();
    in.size = qint64(o.value(QStringLiteral("size")).toDouble(-1));
    in.modified
        = QDateTime::fromString(o.value(QStringLiteral("modified")).toString(), Qt::ISODateWithMs);
    in.sha256 = o.value(QStringLiteral("sha256")).toString();
    const QJsonObject choices = o.value(QStringLiteral("choices")).toObject();
    for (auto it = choices.constBegin(); it != choices.constEnd(); ++it)
        in.choices.insert(it.key(), it.value().toString());
    in.rows = o.value(QStringLiteral("rows")).toInt();
    for (const QJsonValue& c : o.value(QStringLiteral("columns")).toArray())
        in.columns.append(columnFrom(c.toObject()));
    return in;
}

QJsonObject itemJson(const ItemFacts& item)
{
    QJsonArray rowsIn;
    for (const auto& in : item.rowsIn)
        rowsIn.append(QJsonObject {
            { QStringLiteral("from"), in.first }, { QStringLiteral("rows"), in.second } });
    QJsonObject o { { QStringLiteral("type"), item.type }, { QStringLiteral("name"), item.name },
        { QStringLiteral("id"), item.id }, { QStringLiteral("rows_in"), rowsIn },
        { QStringLiteral("rows_out"), item.rowsOut }, { QStringLiteral("warnings"), item.warnings },
        { QStringLiteral("error"), item.error },
        { QStringLiteral("milliseconds"), double(item.milliseconds) } };
    if (!item.droppedReason.isEmpty()) {
        o.insert(QStringLiteral("dropped"), item.dropped);
        o.insert(QStringLiteral("dropped_reason"), item.droppedReason);
    }
    return o;
}

QJsonObject fileJson(const WrittenFile& f)
{
    return { { QStringLiteral("type"), f.type }, { QStringLiteral("item"), f.item },
        { QStringLiteral("path"), f.path }, { QStringLiteral("rows"), f.rows },
        { QStringLiteral("bytes"), double(f.bytes) }, { QStringLiteral("sha256"), f.sha256 } };
}

} // namespace

QString ColumnFacts::kindText() const
{
    return dateFormat.isEmpty() ? kind : QStringLiteral("%1 (%2)").arg(kind, dateFormat);
}

QByteArray RunRecord::toJson() const
{
    QJsonArray inputList, itemList, fileList;
    for (const InputFacts& in : inputs)
        inputList.append(inputJson(in));
    for (const ItemFacts& item : items)
        itemList.append(itemJson(item));
    for (const WrittenFile& f : files)
        fileList.append(fileJson(f));
    const QJsonObject document { { QStringLiteral("path"), documentPath },
        { QStringLiteral("sha256"), documentSha256 } };
    const QJsonObject root { { QStringLiteral("schema"), SchemaName },
        { QStringLiteral("version"), Version }, { QStringLiteral("document"), document },
        { QStringLiteral("started"), isoTime(started) },
        { QStringLiteral("finished"), isoTime(finished) }, { QStringLiteral("inputs"), inputList },
        { QStringLiteral("items"), itemList }, { QStringLiteral("files"), fileList } };
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

bool RunRecord::save(const QString& path, QString* error) const
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(toJson()) < 0 || !file.commit()) {
        *error = QStringLiteral("Unable to write run record '%1': %2")
                     .arg(QDir::toNativeSeparators(path), file.errorString());
        return false;
    }
    return true;
}

bool RunRecord::load(const QString& path, RunRecord* record, QString* error)
{
    const QString shown = QDir::toNativeSeparators(path);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error
            = QStringLiteral("Unable to read run record '%1': %2").arg(shown, file.errorString());
        return false;
    }
    QJsonParseError parse;
    const QJsonDocument json = QJsonDocument::fromJson(file.readAll(), &parse);
    if (parse.error != QJsonParseError::NoError || !json.isObject()) {
        *error = QStringLiteral("Run record '%1' is not valid JSON: %2")
                     .arg(shown,
                         parse.error != QJsonParseError::NoError ? QStringLiteral("%1 at byte %2")
                                                                       .arg(parse.errorString())
                                                                       .arg(parse.offset)
                                                                 : QStringLiteral("not an object"));
        return false;
    }
    const QJsonObject root = json.object();
    const int version = root.value(QStringLiteral("version")).toInt(-1);
    if (root.value(QStringLiteral("schema")).toString() != SchemaName) {
        *error = QStringLiteral("Run record '%1' is not a run record of this program").arg(shown);
        return false;
    }
    if (version != Version) {
        *error = QStringLiteral("Run record '%1' is of schema version %2, not %3")
                     .arg(shown, version < 0 ? QStringLiteral("(none)") : QString::number(version))
                     .arg(Version);
        return false;
    }
    *record = RunRecord();
    const QJsonObject document = root.value(QStringLiteral("document")).toObject();
    record->documentPath = document.value(QStringLiteral("path")).toString();
    record->documentSha256 = document.value(QStringLiteral("sha256")).toString();
    record->started = QDateTime::fromString(
        root.value(QStringLiteral("started")).toString(), Qt::ISODateWithMs);
    record->finished = QDateTime::fromString(
        root.value(QStringLiteral("finished")).toString(), Qt::ISODateWithMs);
    for (const QJsonValue& in : root.value(QStringLiteral("inputs")).toArray())
        record->inputs.append(inputFrom(in.toObject()));
    return true;
}

bool RunRecord::isOfDocument(const QString& path) const
{
    return QFileInfo(documentPath).fileName() == QFileInfo(path).fileName();
}
