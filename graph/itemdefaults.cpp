#include "graph/itemdefaults.h"

#include "core/enginesettings.h"
#include "graph/ionode.h"
#include "graph/transformnode.h"
#include "transforms/transform.h"
#include "transforms/transformparameter.h"

#include <QSet>
#include <QVariant>

namespace {

// Remembered on the item itself so that the options form can say which
// values came from the defaults, also after the item was selected again.
const char* const AppliedProperty = "varnixUserDefaultsApplied";

// Where the data lives, or lists that only fit one file's columns.
bool isLocationKey(const QString& key)
{
    static const QSet<QString> keys { QStringLiteral("medium"), QStringLiteral("source_kind"),
        QStringLiteral("format_id"), QStringLiteral("path"), QStringLiteral("sheet"),
        QStringLiteral("text"), QStringLiteral("multi_file_folder"),
        QStringLiteral("multi_file_match"), QStringLiteral("multi_sheetmatch"),
        QStringLiteral("file_type"), QStringLiteral("alias"), QStringLiteral("worksheet"),
        QStringLiteral("schema_col_name"), QStringLiteral("schema_missing_value"),
        QStringLiteral("fixed_widths"), QStringLiteral("multi_file_column"),
        QStringLiteral("excel_manual_col_formats") };
    return keys.contains(key) || key.endsWith(QLatin1String("_types"));
}

struct ItemKey
{
    QString kind;
    QString source;
    QString fileType;
};

// Input and Output items: "input" or "output", the source kind and the
// file type, as the settings keys group them.
bool itemKey(const Node& node, ItemKey* key)
{
    const auto* io = qobject_cast<const IONode*>(&node);
    if (!io || (node.type() != InputNodeType && node.type() != OutputNodeType))
        return false;
    key->kind = node.type() == InputNodeType ? QStringLiteral("input") : QStringLiteral("output");
    key->source = QString::number(io->sourceKind());
    key->fileType = QString::number(io->formatId());
    return true;
}

const Transform* transformOf(const Node& node)
{
    const auto* t = qobject_cast<const TransformNode*>(&node);
    return t ? t->transform() : nullptr;
}

// Column choices name columns of one document's data, and labels hold no
// value: neither makes a default.
bool isSavable(const TransformParameter& p)
{
    return p.type() != ParameterType::Label && !p.isColumnType();
}

} // namespace

namespace ItemDefaults {

bool canSave(const Node& node)
{
    ItemKey key;
    return transformOf(node) || itemKey(node, &key);
}

void save(const Node& node, EngineSettings& settings)
{
    if (const Transform* transform = transformOf(node)) {
        for (const TransformParameter* p : transform->parameters()) {
            if (isSavable(*p))
                settings.setTransformDefault(transform->typeKey(), p->key(), p->serialise());
        }
        return;
    }
    ItemKey key;
    if (!itemKey(node, &key))
        return;
    const QVariantMap options = node.saveOptions();
    for (auto it = options.constBegin(); it != options.constEnd(); ++it) {
        if (!isLocationKey(it.key()))
            settings.setItemDefault(key.kind, key.source, key.fileType, it.key(), it.value());
    }
}

void reset(const Node& node, EngineSettings& settings)
{
    if (const Transform* transform = transformOf(node)) {
        settings.removeTransformDefaults(transform->typeKey());
        return;
    }
    ItemKey key;
    if (itemKey(node, &key))
        settings.removeItemDefaults(key.kind, key.source, key.fileType);
}

QStringList apply(Node& node, const EngineSettings& settings)
{
    ItemKey key;
    if (!itemKey(node, &key))
        return QStringList();
    QVariantMap options = node.saveOptions();
    QStringList changed;
    for (auto it = options.begin(); it != options.end(); ++it) {
        if (isLocationKey(it.key()))
            continue;
        const QVariant saved = settings.itemDefault(key.kind, key.source, key.fileType, it.key());
        // A store in a file gives numbers back as text: compare as text.
        if (saved.isValid() && saved.toString() != it.value().toString()) {
            it.value() = saved;
            changed << it.key();
        }
    }
    if (!changed.isEmpty())
        node.restoreOptions(options);
    node.setProperty(AppliedProperty, changed);
    return changed;
}

QStringList applied(const Node& node)
{
    if (const Transform* transform = transformOf(node)) {
        QStringList keys;
        for (const TransformParameter* p : transform->parameters()) {
            if (p->userDefaultApplied())
                keys << p->key();
        }
        return keys;
    }
    return node.property(AppliedProperty).toStringList();
}

} // namespace ItemDefaults
