// The stored text form of every parameter type: what documents, user
// defaults and undo snapshots keep of a value.

#include "transforms/transformparameter.h"

#include "core/dataset.h"

#include <QMap>
#include <QSet>
#include <QUrl>

#include <cmath>
#include <functional>

namespace {

const QString NoRename = QStringLiteral("*NORENAME*");
const QString StartIf = QStringLiteral("*StartIf*");
const QString EndIf = QStringLiteral("*EndIf*");
const QString DatasetMark = QStringLiteral("*Dataset*");
const QString ColumnMark = QStringLiteral("*Column*");

QString partAt(const QStringList& parts, int i)
{
    return i < parts.size() ? parts.at(i) : QString();
}

int intAt(const QStringList& parts, int i, int fallback = 0)
{
    bool ok = false;
    const int v = partAt(parts, i).toInt(&ok);
    return ok ? v : fallback;
}

QString encode(const QString& part)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(part));
}

// Text-valued types keep the whole text as one part, so that a text holding
// the separator survives.
bool isSingleText(ParameterType type)
{
    switch (type) {
    case ParameterType::Selection:
    case ParameterType::Text:
    case ParameterType::Script:
    case ParameterType::LongText:
    case ParameterType::Char:
    case ParameterType::Locale:
        return true;
    default:
        return false;
    }
}

bool needsColumns(ParameterType type)
{
    switch (type) {
    case ParameterType::SingleColumn:
    case ParameterType::MultipleColumns:
    case ParameterType::SortColumns:
    case ParameterType::FilterColumns:
    case ParameterType::ReorderColumns:
    case ParameterType::If:
    case ParameterType::CheckedColumns:
    case ParameterType::RenameColumns:
    case ParameterType::Unique:
    case ParameterType::OrderedColumns:
        return true;
    default:
        return false;
    }
}

void appendRule(QStringList& parts, const VerifyRule& rule)
{
    parts << QString::number(rule.kind) << QString::number(rule.checked ? 1 : 0)
          << QString::number(rule.severity) << rule.value;
}

VerifyRule ruleAt(const QStringList& parts, int i)
{
    VerifyRule rule;
    rule.kind = intAt(parts, i);
    rule.checked = intAt(parts, i + 1, 1) != 0;
    rule.severity = intAt(parts, i + 2, 2);
    rule.value = partAt(parts, i + 3);
    return rule;
}

VerifyRuleSet verifyFromParts(const QStringList& parts)
{
    VerifyRuleSet set;
    QVector<VerifyRule>* target = nullptr;
    int i = 0;
    while (i < parts.size()) {
        if (parts.at(i) == DatasetMark) {
            target = &set.datasetRules;
            ++i;
        } else if (parts.at(i) == ColumnMark) {
            VerifyColumnRules column;
            column.position = intAt(parts, i + 1, -1);
            column.columnType = intAt(parts, i + 2, 4);
            column.expectedName = partAt(parts, i + 3);
            set.columns.append(column);
            target = &set.columns.last().rules;
            i += 4;
        } else {
            if (target)
                target->append(ruleAt(parts, i));
            i += 4;
        }
    }
    return set;
}

QStringList verifyToParts(const VerifyRuleSet& set)
{
    QStringList parts;
    parts << DatasetMark;
    for (const VerifyRule& rule : set.datasetRules)
        appendRule(parts, rule);
    for (const VerifyColumnRules& column : set.columns) {
        parts << ColumnMark << QString::number(column.position)
              << QString::number(column.columnType) << column.expectedName;
        for (const VerifyRule& rule : column.rules)
            appendRule(parts, rule);
    }
    return parts;
}

// Column references are stored by position; these convert in both
// directions for the composite types.
using PositionOf = std::function<QString(const ColumnRef&)>;
using ReferenceAt = std::function<ColumnRef(const QString&)>;

void appendTerm(QStringList& parts, const ConditionTerm& t, const PositionOf& pos)
{
    parts << pos(t.column) << QString::number(t.op) << t.text;
}

ConditionTerm termAt(const QStringList& parts, int i, const ReferenceAt& ref)
{
    return ConditionTerm { ref(partAt(parts, i)), intAt(parts, i + 1), partAt(parts, i + 2) };
}

QStringList filterToParts(const FilterList& f, const PositionOf& pos)
{
    QStringList parts { QString::number(f.keepRemove), QString::number(f.allAny) };
    for (const ConditionTerm& t : f.terms)
        appendTerm(parts, t, pos);
    return parts;
}

FilterList filterFromParts(const QStringList& parts, int version, const ReferenceAt& ref)
{
    FilterList f;
    f.keepRemove = intAt(parts, 0);
    f.allAny = intAt(parts, 1);
    for (int i = 2; i + 2 < parts.size(); i += 3) {
        ConditionTerm t = termAt(parts, i, ref);
        // Older documents numbered the two emptiness tests 14 and 15.
        if (version < 57 && (t.op == 14 || t.op == 15))
            t.op += 5;
        f.terms.append(t);
    }
    return f;
}

// Each branch is "*StartIf*", its conditions, "*EndIf*" and its THEN value;
// the ELSE value comes last.
QStringList ifToParts(const IfList& f, const PositionOf& pos)
{
    QStringList parts;
    for (const IfBranch& b : f.branches) {
        parts << StartIf;
        for (const ConditionTerm& t : b.conditions)
            appendTerm(parts, t, pos);
        parts << EndIf << b.thenValue;
    }
    parts << f.elseValue;
    return parts;
}

IfList ifFromParts(const QStringList& parts, const ReferenceAt& ref)
{
    IfList f;
    int i = 0;
    while (i < parts.size()) {
        if (parts.at(i) != StartIf) {
            f.elseValue = parts.at(i++);
            continue;
        }
        IfBranch branch;
        ++i;
        while (i < parts.size() && parts.at(i) != EndIf) {
            branch.conditions.append(termAt(parts, i, ref));
            i += 3;
        }
        branch.thenValue = partAt(parts, i + 1);
        f.branches.append(branch);
        i += 2;
    }
    return f;
}

// One entry per upstream position up to the last renamed column.
QStringList renameToParts(const RenameColumnList& list, const PositionOf& pos)
{
    QMap<int, QString> byPosition;
    for (const RenameColumn& r : list) {
        if (!r.newName.isEmpty())
            byPosition.insert(pos(r.column).toInt(), r.newName);
    }
    QStringList parts;
    const int last = byPosition.isEmpty() ? -1 : byPosition.lastKey();
    for (int c = 0; c <= last; ++c)
        parts << byPosition.value(c, NoRename);
    return parts;
}

RenameColumnList renameFromParts(const QStringList& parts, const ReferenceAt& ref)
{
    RenameColumnList list;
    for (int c = 0; c < parts.size(); ++c) {
        if (parts.at(c) != NoRename && !parts.at(c).isEmpty())
            list.append(RenameColumn { ref(QString::number(c)), parts.at(c) });
    }
    return list;
}

} // namespace

QStringList TransformParameter::toParts() const
{
    const PositionOf pos = [this](const ColumnRef& ref) {
        const int c = resolve(ref);
        return QString::number(c >= 0 ? c : ref.position);
    };
    QStringList parts;
    switch (m_type) {
    case ParameterType::SingleColumn:
        if (!columnRef().isEmpty())
            parts << pos(columnRef());
        return parts;
    case ParameterType::MultipleColumns:
    case ParameterType::ReorderColumns:
    case ParameterType::OrderedColumns:
    case ParameterType::CheckedColumns:
        for (const ColumnRef& ref : columnRefs())
            parts << pos(ref);
        return parts;
    case ParameterType::SortColumns:
        for (const SortColumn& s : sortColumns())
            parts << pos(s.column) << QString::number(s.ascending ? 1 : 0);
        return parts;
    case ParameterType::FilterColumns:
        return filterToParts(filterList(), pos);
    case ParameterType::If:
        return ifToParts(ifList(), pos);
    case ParameterType::RenameColumns:
        return renameToParts(renameColumns(), pos);
    case ParameterType::Unique:
        for (const UniqueColumn& u : uniqueColumns())
            parts << pos(u.column) << QString::number(u.aggregation) << u.text;
        return parts;
    case ParameterType::SplitRows: {
        const SplitRowsSpec s = splitRows();
        return { QString::number(s.mode), QString::number(s.times), QString::number(s.every),
            s.text };
    }
    case ParameterType::ReplaceTerms:
        for (const ReplaceTerm& t : replaceTerms())
            parts << QString::number(t.matchType) << t.find << t.replace;
        return parts;
    case ParameterType::VerifyRules:
        return verifyToParts(verifyRules());
    case ParameterType::Label:
        return parts;
    default:
        return { simpleText() };
    }
}

QString TransformParameter::simpleText() const
{
    switch (m_type) {
    case ParameterType::Bool:
        return QString::number(boolValue() ? 1 : 0);
    case ParameterType::Int:
        return QString::number(intValue());
    case ParameterType::Real:
        return QString::number(realValue(), 'g', 6);
    case ParameterType::Date:
        return dateValue().isValid() ? dateValue().toString(QStringLiteral("yyyy-MM-dd"))
                                     : QString();
    case ParameterType::Char:
        return charValue().isNull() ? QString() : QString(charValue());
    case ParameterType::Locale:
        return m_value.isNull() ? QString() : localeValue().bcp47Name();
    default:
        return text();
    }
}

QString TransformParameter::serialise() const
{
    if (m_needsUpdating) {
        if (!m_storedText.contains(PartSeparator))
            return encode(m_storedText);
        QStringList parts = m_storedText.split(PartSeparator);
        for (QString& part : parts)
            part = encode(part);
        return parts.join(PartSeparator);
    }
    if (isSingleText(m_type))
        return encode(toParts().value(0));
    // A number is no free text: its exponent sign stays as "%g" writes it.
    if (m_type == ParameterType::Real)
        return toParts().value(0);
    QStringList parts = toParts();
    for (QString& part : parts)
        part = encode(part);
    return parts.join(PartSeparator);
}

void TransformParameter::deserialise(const QString& decodedText, int version)
{
    m_needsUpdating = false;
    m_storedText.clear();
    m_rangeNote.clear();
    if (isSingleText(m_type)) {
        fromParts({ decodedText }, version);
        return;
    }
    if (needsColumns(m_type) && !decodedText.isEmpty() && !sourceDataset().hasColumns()) {
        // The positions mean nothing until the upstream item has columns.
        m_storedText = decodedText;
        m_storedVersion = version;
        m_needsUpdating = true;
        return;
    }
    const QStringList parts
        = decodedText.isEmpty() ? QStringList() : decodedText.split(PartSeparator);
    fromParts(parts, version);
}

bool TransformParameter::convertPending()
{
    if (!m_needsUpdating || !sourceDataset().hasColumns())
        return false;
    const QString text = m_storedText;
    m_needsUpdating = false;
    m_storedText.clear();
    fromParts(text.split(PartSeparator), m_storedVersion);
    return true;
}

bool TransformParameter::fromParts(const QStringList& parts, int version)
{
    const ReferenceAt ref = [this](const QString& part) {
        bool ok = false;
        const int position = part.toInt(&ok);
        return ok ? referenceAt(position) : ColumnRef();
    };
    switch (m_type) {
    case ParameterType::SingleColumn:
        m_value = QVariant::fromValue(parts.isEmpty() ? ColumnRef() : ref(parts.first()));
        return true;
    case ParameterType::MultipleColumns:
    case ParameterType::ReorderColumns:
    case ParameterType::OrderedColumns: {
        ColumnRefList refs;
        for (const QString& part : parts) {
            const ColumnRef r = ref(part);
            if (!r.isEmpty())
                refs.append(r);
        }
        m_value = QVariant::fromValue(refs);
        return true;
    }
    case ParameterType::CheckedColumns: {
        // Every upstream column, checked when its position was stored.
        QSet<int> checked;
        for (const QString& part : parts)
            checked.insert(part.toInt());
        CheckedColumnList list;
        for (int c = 0; c < sourceDataset().columnCount(); ++c)
            list.append(CheckedColumn { referenceAt(c), checked.contains(c) });
        m_value = QVariant::fromValue(list);
        return true;
    }
    case ParameterType::SortColumns: {
        SortColumnList list;
        for (int i = 0; i + 1 < parts.size(); i += 2) {
            const ColumnRef r = ref(parts.at(i));
            if (!r.isEmpty())
                list.append(SortColumn { r, intAt(parts, i + 1, 1) != 0 });
        }
        m_value = QVariant::fromValue(list);
        return true;
    }
    case ParameterType::FilterColumns:
        m_value = QVariant::fromValue(filterFromParts(parts, version, ref));
        return true;
    case ParameterType::If:
        m_value = QVariant::fromValue(ifFromParts(parts, ref));
        return true;
    case ParameterType::RenameColumns:
        m_value = QVariant::fromValue(renameFromParts(parts, ref));
        return true;
    default:
        return fromValueParts(parts, ref);
    }
}

// The composite types without column references, and the unique list.
bool TransformParameter::fromValueParts(
    const QStringList& parts, const std::function<ColumnRef(const QString&)>& ref)
{
    switch (m_type) {
    case ParameterType::SplitRows:
        m_value = QVariant::fromValue(
            SplitRowsSpec { intAt(parts, 0), intAt(parts, 1), intAt(parts, 2), partAt(parts, 3) });
        return true;
    case ParameterType::Unique: {
        UniqueColumnList list;
        for (int i = 0; i + 2 < parts.size(); i += 3)
            list.append(UniqueColumn { ref(parts.at(i)), intAt(parts, i + 1, 1), parts.at(i + 2) });
        m_value = QVariant::fromValue(list);
        return true;
    }
    case ParameterType::ReplaceTerms: {
        ReplaceTermList list;
        for (int i = 0; i + 2 < parts.size(); i += 3)
            list.append(ReplaceTerm { intAt(parts, i), parts.at(i + 1), parts.at(i + 2) });
        m_value = QVariant::fromValue(list);
        return true;
    }
    case ParameterType::VerifyRules:
        m_value = QVariant::fromValue(verifyFromParts(parts));
        return true;
    default:
        return fromSimpleText(partAt(parts, 0));
    }
}

// Single values: a text that does not read as the type leaves the value as
// it was.
// Documents, the clipboard and batch values may hold any number; the
// transforms rely on the declared range, so a value outside it is replaced
// and the item says so on its next run.
void TransformParameter::noteOutOfRange(const QString& given, const QString& used)
{
    m_rangeNote = QStringLiteral("Option '%1' value %2 is out of range: %3 used instead")
                      .arg(m_label, given, used);
}

bool TransformParameter::fromSimpleText(const QString& text)
{
    bool ok = false;
    switch (m_type) {
    case ParameterType::Bool: {
        // Settings stores may hand back a boolean as "true" or "false".
        const int v = text.toInt(&ok);
        if (ok || text == QLatin1String("true") || text == QLatin1String("false"))
            m_value = ok ? v != 0 : text == QLatin1String("true");
        return ok || text == QLatin1String("true") || text == QLatin1String("false");
    }
    case ParameterType::Int: {
        // Read wide, so that a value beyond the int range is clamped like
        // any other out-of-range value rather than dropped.
        const qint64 v = text.trimmed().toLongLong(&ok);
        if (ok) {
            const qint64 kept = qBound<qint64>(m_minInt, v, m_maxInt);
            if (kept != v)
                noteOutOfRange(text.trimmed(), QString::number(kept));
            m_value = int(kept);
        }
        return ok;
    }
    case ParameterType::Real: {
        const double v = text.toDouble(&ok);
        if (ok && std::isnan(v)) {
            noteOutOfRange(text.trimmed(), simpleText());
            return false;
        }
        if (ok) {
            const double kept = qBound(m_minReal, v, m_maxReal);
            if (kept != v)
                noteOutOfRange(text.trimmed(), QString::number(kept, 'g', 6));
            m_value = kept;
        }
        return ok;
    }
    case ParameterType::Selection:
        if (!choiceList().contains(text))
            return false;
        m_value = text;
        return true;
    case ParameterType::Text:
    case ParameterType::Script:
    case ParameterType::LongText:
        m_value = text;
        return true;
    case ParameterType::Char:
        m_value = QVariant::fromValue(text.isEmpty() ? QChar() : text.at(0));
        return true;
    case ParameterType::Date: {
        const QDate d = QDate::fromString(text, QStringLiteral("yyyy-MM-dd"));
        if (d.isValid() || text.isEmpty())
            m_value = d;
        return d.isValid() || text.isEmpty();
    }
    case ParameterType::Locale:
        m_value = text.isEmpty() ? QVariant() : QVariant(QLocale(text));
        return true;
    default:
        return false;
    }
}
