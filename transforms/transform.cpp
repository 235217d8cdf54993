#include "transforms/transform.h"

#include "transforms/parametertips.h"

#include "core/dataset.h"
#include "core/enginesettings.h"
#include "core/runcontext.h"
#include "core/tablesource.h"
#include "core/values.h"
#include "transforms/catalogue.h"

#include <algorithm>

namespace {

QStringList categoryWords(int category)
{
    switch (category) {
    case CategoryMerge:
        return { QStringLiteral("blends"), QStringLiteral("merges") };
    case CategoryColumn:
        return { QStringLiteral("columns") };
    case CategoryRow:
        return { QStringLiteral("rows") };
    case CategoryFormat:
        return { QStringLiteral("formatting"), QStringLiteral("formats") };
    case CategoryAnalysis:
        return { QStringLiteral("analyse"), QStringLiteral("analyze"), QStringLiteral("analysis") };
    default:
        return {};
    }
}

} // namespace

Transform::Transform(QObject* parent) : QObject(parent)
{
}

Transform::~Transform()
{
    qDeleteAll(m_parameters);
}

const TransformTypeInfo* Transform::typeInfo() const
{
    if (!m_typeInfoLooked) {
        m_typeInfo = transformTypeInfo(typeKey());
        m_typeInfoLooked = true;
    }
    return m_typeInfo;
}

int Transform::typeId() const
{
    return typeInfo() ? typeInfo()->typeNumber : -1;
}

QSet<QString> Transform::keywords() const
{
    QSet<QString> words;
    const QStringList nameWords
        = displayName().toLower().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (const QString& w : nameWords)
        words.insert(w);
    for (const QString& w : categoryWords(category()))
        words.insert(w);
    if (typeInfo()) {
        const QStringList own
            = QString::fromUtf8(typeInfo()->keywords).split(QLatin1Char(' '), Qt::SkipEmptyParts);
        for (const QString& w : own)
            words.insert(w);
    }
    return words;
}

int Transform::category() const
{
    return typeInfo() ? typeInfo()->category : CategoryOther;
}

bool Transform::isAdvanced() const
{
    return typeInfo() ? typeInfo()->advanced : true;
}

bool Transform::typeFlag() const
{
    return typeInfo() && typeInfo()->typeFlag;
}

bool Transform::keepsDrilldown() const
{
    return typeInfo() && typeInfo()->keepsDrilldown;
}

QString Transform::displayName() const
{
    return typeInfo() ? QString::fromUtf8(typeInfo()->displayName) : typeKey();
}

QString Transform::description() const
{
    return typeInfo() ? QString::fromUtf8(typeInfo()->description) : QString();
}

int Transform::minInputs() const
{
    return typeInfo() ? typeInfo()->minInputs : 1;
}

int Transform::maxInputs() const
{
    return typeInfo() ? typeInfo()->maxInputs : 1;
}

void Transform::defineParameters(const QList<TableSource*>& upstream, bool useUserDefaults)
{
    Q_UNUSED(upstream)
    deleteParameters();
    m_applyUserDefaults = useUserDefaults;
}

void Transform::deleteParameters()
{
    qDeleteAll(m_parameters);
    m_parameters.clear();
}

TransformParameter* Transform::addParameter(ParameterType type, const QString& key,
    const QString& label, const QVariant& defaultValue, const QVariant& choices)
{
    auto* p = new TransformParameter(type, key, label, defaultValue, choices);
    // A definition that gives its own tip replaces this one.
    p->setTooltip(parameterTip(typeKey(), key));
    if (m_applyUserDefaults && m_userDefaults && type != ParameterType::Label) {
        const QVariant saved = m_userDefaults->transformDefault(typeKey(), key);
        if (saved.isValid()) {
            // Saved defaults are stored texts; plain values are taken as they
            // are.
            if (saved.type() == QVariant::String)
                p->deserialise(saved.toString());
            else
                p->setValue(saved);
            p->setUserDefaultApplied(true);
        }
    }
    m_parameters.append(p);
    return p;
}

Transform* Transform::clone() const
{
    Transform* copy = newInstance();
    QList<TransformParameter*> params;
    for (const TransformParameter* p : m_parameters)
        params.append(new TransformParameter(*p));
    copy->setParameters(params);
    return copy;
}

void Transform::setParameters(const QList<TransformParameter*>& parameters)
{
    for (TransformParameter* p : qAsConst(m_parameters)) {
        if (!parameters.contains(p))
            delete p;
    }
    m_parameters = parameters;
}

TransformParameter* Transform::parameter(const QString& key) const
{
    for (TransformParameter* p : m_parameters) {
        if (p->key() == key)
            return p;
    }
    return nullptr;
}

TransformParameter* Transform::parameterBoundTo(const TableSource* item) const
{
    for (TransformParameter* p : m_parameters) {
        if (p->sourceItem() == item)
            return p;
    }
    return nullptr;
}

QList<TransformParameter*> Transform::parametersBoundTo(const TableSource* item) const
{
    QList<TransformParameter*> bound;
    for (TransformParameter* p : m_parameters) {
        if (p->sourceItem() == item)
            bound.append(p);
    }
    return bound;
}

QString Transform::helpImageHtml() const
{
    return QStringLiteral("<div style=\"text-align:center;\"><img src=':/images/%1'></div>")
        .arg(helpImage());
}

QString Transform::inputRequirement() const
{
    const int m = minInputs();
    const int n = maxInputs();
    QString text;
    if (m == 1 && n == 1)
        text = QStringLiteral("1 Input/Transform item");
    else if (m == n)
        text = QStringLiteral("<b>%1</b> Input/Transform items").arg(n);
    else if (n == NoLimit)
        text = QStringLiteral("<b>%1 or more</b> Input/Transform items").arg(m);
    else if (n > m)
        text = QStringLiteral("<b>%1 to %2</b> Input/Transform items").arg(m).arg(n);
    if (text.isEmpty())
        return text;
    return QStringLiteral(
        "Select %1 in the Center pane and then click the button to perform this transform.")
        .arg(text);
}

void Transform::bindUpstream(const QList<TableSource*>& upstream, bool refresh)
{
    Q_UNUSED(refresh)
    QList<TableSource*> candidates = upstream;
    for (TransformParameter* p : qAsConst(m_parameters)) {
        if (!p->isColumnType())
            continue;
        if (upstream.isEmpty())
            p->setSourceItem(nullptr);
        else if (maxInputs() < 2)
            p->setSourceItem(upstream.first());
        else
            p->setSourceItem(candidates.isEmpty() ? nullptr : candidates.takeFirst());
        p->convertPending();
    }
}

bool Transform::reorderInputs(const QList<TableSource*>& upstream)
{
    Q_UNUSED(upstream)
    return false;
}

void Transform::addKeyColumnParameters(const QString& topKey, const QString& bottomKey)
{
    addParameter(ParameterType::SingleColumn, topKey, QStringLiteral("Top key column"))
        ->setTooltip(QStringLiteral("Select a common (key) column in the top upstream dataset."));
    addParameter(ParameterType::SingleColumn, bottomKey, QStringLiteral("Bottom key column"))
        ->setTooltip(
            QStringLiteral("Select a common (key) column in the bottom upstream dataset."));
}

void Transform::addKeyCaseParameter(const QString& key)
{
    addParameter(ParameterType::Bool, key, QStringLiteral("case sensitive"), true)
        ->setTooltip(QStringLiteral("Check for case sensitive text matching."));
}

QString Transform::documentPath() const
{
    return m_context ? m_context->documentPath() : QString();
}

bool Transform::reorderTwoInputs(
    const QList<TableSource*>& upstream, const QString& firstKey, const QString& secondKey)
{
    TransformParameter* first = parameter(firstKey);
    TransformParameter* second = parameter(secondKey);
    if (upstream.isEmpty() || !first || !second)
        return false;
    TableSource* a = first->sourceItem();
    TableSource* b = second->sourceItem();
    if (!a || !b || a->place().y() <= b->place().y())
        return false;
    const QVariant value = first->value();
    first->setSourceItem(b);
    first->setValue(second->value());
    second->setSourceItem(a);
    second->setValue(value);
    return true;
}

void Transform::validate()
{
    QSet<QString> disabled;
    for (const QPair<QString, bool>& state : optionStates()) {
        if (!state.second)
            disabled.insert(state.first);
    }
    QStringList labels;
    for (const TransformParameter* p : qAsConst(m_parameters)) {
        if (p->isUnset() && !disabled.contains(p->key()))
            labels.append(QStringLiteral("'%1'").arg(p->label()));
    }
    if (labels.isEmpty())
        return;
    addWarning(QStringLiteral("%1 %2 not set (%3)")
                   .arg(labels.size())
                   .arg(labels.size() == 1 ? QStringLiteral("option") : QStringLiteral("options"),
                       labels.join(QLatin1Char(','))));
}

void Transform::reportOutOfRangeOptions()
{
    for (const TransformParameter* p : qAsConst(m_parameters)) {
        if (!p->rangeNote().isEmpty())
            addWarning(p->rangeNote());
    }
}

void Transform::clearMessages()
{
    m_warnings.clear();
    m_information.clear();
    m_summary.clear();
    m_summaryCounts.clear();
}

void Transform::refreshColumnNames()
{
    for (TransformParameter* p : qAsConst(m_parameters)) {
        if (p->isColumnType()) {
            p->convertPending();
            p->refreshColumnNames();
        }
    }
}

bool Transform::convertPendingParameters()
{
    bool converted = false;
    for (TransformParameter* p : qAsConst(m_parameters))
        converted = p->convertPending() || converted;
    return converted;
}

bool Transform::reconnectColumns(QStringList* information, QStringList* warnings)
{
    bool changed = false;
    for (TransformParameter* p : qAsConst(m_parameters)) {
        if (p->isColumnType())
            changed = p->reconnect(information, warnings) || changed;
    }
    return changed;
}

int Transform::columnOptionCount(const TableSource* item) const
{
    int count = 0;
    for (const TransformParameter* p : parametersBoundTo(item))
        count += p->columnReferenceCount() > 0 ? 1 : 0;
    return count;
}

// Helpers for process operations

bool Transform::boolParameter(const QString& key, bool fallback) const
{
    const TransformParameter* p = parameter(key);
    return p ? p->boolValue() : fallback;
}

int Transform::intParameter(const QString& key, int fallback) const
{
    const TransformParameter* p = parameter(key);
    return p ? p->intValue() : fallback;
}

double Transform::realParameter(const QString& key, double fallback) const
{
    const TransformParameter* p = parameter(key);
    return p ? p->realValue() : fallback;
}

QString Transform::textParameter(const QString& key, const QString& fallback) const
{
    const TransformParameter* p = parameter(key);
    return p ? p->text() : fallback;
}

int Transform::selectionParameter(const QString& key, int fallback) const
{
    const TransformParameter* p = parameter(key);
    return p ? p->selectionIndex() : fallback;
}

QChar Transform::charParameter(const QString& key, QChar fallback) const
{
    const TransformParameter* p = parameter(key);
    return p ? p->charValue() : fallback;
}

bool Transform::requireParameters(std::initializer_list<const char*> keys)
{
    for (const char* key : keys) {
        if (!parameter(QString::fromLatin1(key))) {
            setSummary(QStringLiteral("No changes"));
            return false;
        }
    }
    return true;
}

bool Transform::takeUpstreamTable(Dataset& output, const QList<TableSource*>& upstream)
{
    output = upstream.first()->dataset();
    if (upstream.size() != 1 || !m_disposableUpstream.value(0))
        return false;
    upstream.first()->releaseRows();
    return true;
}

bool Transform::hasValidInputCount(const QList<TableSource*>& upstream) const
{
    return upstream.size() >= minInputs() && upstream.size() <= maxInputs();
}

int Transform::columnIndex(const QString& key) const
{
    const TransformParameter* p = parameter(key);
    return p ? p->resolve(p->columnRef()) : -1;
}

QVector<int> Transform::columnIndexes(const QString& key, bool sortedAscending) const
{
    const TransformParameter* p = parameter(key);
    return p ? p->resolvedColumns(sortedAscending) : QVector<int>();
}

QVector<bool> Transform::usedUpstreamColumns(
    const Dataset& input, const QVector<bool>& usedOutput) const
{
    Q_UNUSED(input)
    Q_UNUSED(usedOutput)
    return {};
}

QVector<bool> Transform::usedInPlace(const Dataset& input, const QVector<bool>& usedOutput) const
{
    QVector<bool> used(input.columnCount(), false);
    for (int c = 0; c < used.size() && c < usedOutput.size(); ++c)
        used[c] = usedOutput.at(c);
    for (TransformParameter* p : m_parameters) {
        if (!p->isColumnType())
            continue;
        for (int c : p->referencedColumns()) {
            if (c < used.size())
                used[c] = true;
        }
    }
    return used;
}

int Transform::resolveColumn(const ColumnRef& ref, const Dataset& dataset)
{
    if (ref.id.isValid())
        return dataset.columnIndex(ref.id);
    return dataset.isValidColumn(ref.position) ? ref.position : -1;
}

bool Transform::reportProgress(int row, int rowCount)
{
    if (row % 1000 == 0 && rowCount > 0)
        emit processed(qreal(row) / rowCount);
    return !stopRequested();
}

void Transform::bindToSourceOf(const QString& key, const QString& sourceKey)
{
    TransformParameter* follower = parameter(key);
    const TransformParameter* source = parameter(sourceKey);
    if (follower && source) {
        follower->setSourceItem(source->sourceItem());
        follower->convertPending();
    }
}

bool Transform::stopRequested() const
{
    return m_context && m_context->stopRequested();
}

void Transform::setChangeSummary(qint64 changed, qint64 unchanged)
{
    if (changed == 0)
        setSummary(QStringLiteral("No changes"));
    else
        setSummary(QStringLiteral("%1 changed, %2 unchanged")
                       .arg(formatInteger(changed, true), formatInteger(unchanged, true)));
}
