// The stored text form of every parameter type: what documents, user
// defaults and undo snapshots keep of a value.

#include "transforms/transformparameter.h"

#include "core/dataset.h"

#include <QUrl>

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
    case ParameterType::Locale: return true;
    default: return false;
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
    case ParameterType::OrderedColumns: return true;
    default: return false;
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

} // namespace

QStringList TransformParameter::toParts() const
{
    auto pos = [this](const ColumnRef& ref) {
        const int c = resolve(ref);
        return QString::number(c >= 0 ? c : ref.position);
    };
    QStringList parts;
    switch (m_type) {
    case ParameterType::SingleColumn:
        if (!columnRef().isEmpty())
            parts << pos(columnRef());
        break;
    case ParameterType::MultipleColumns:
    case ParameterType::ReorderColumns:
    case ParameterType::OrderedColumns:
    case ParameterType::CheckedColumns:
        for (const ColumnRef& ref : columnRefs())
            parts << pos(ref);
        break;
    case ParameterType::SortColumns:
        for (const SortColumn& s : sortColumns())
            parts << pos(s.column) << QString::number(s.ascending ? 1 : 0);
        break;
    case ParameterType::FilterColumns: {
        const FilterList f = filterList();
        parts << QString::number(f.keepRemove) << QString::number(f.allAny);
        for (const ConditionTerm& t : f.terms)
            parts << pos(t.column) << QString::number(t.op) << t.text;
        break;
    }
    case ParameterType::If: {
        const IfList f = ifList();
        for (const IfBranch& b : f.branches) {
            parts << StartIf;
            for (const ConditionTerm& t : b.conditions)
                parts << pos(t.column) << QString::number(t.op) << t.text;
            parts << EndIf << b.thenValue;
        }
        parts << f.elseValue;
        break;
    }
    case ParameterType::RenameColumns: {
        // One entry per upstream position up to the last renamed column.
        QMap<int, QString> byPosition;
        for (const RenameColumn& r : renameColumns()) {
            if (!r.newName.isEmpty())
                byPosition.insert(pos(r.column).toInt(), r.newName);
        }
        const int last = byPosition.isEmpty() ? -1 : byPosition.lastKey();
        for (int c = 0; c <= last; ++c)
            parts << byPosition.value(c, NoRename);
        break;
    }
    case ParameterType::SplitRows: {
        const SplitRowsSpec s = splitRows();
        parts << QString::number(s.mode) << QString::number(s.times) << QString::number(s.every)
              << s.text;
        break;
    }
    case ParameterType::Unique:
        for (const UniqueColumn& u : uniqueColumns())
            parts << pos(u.column) << QString::number(u.aggregation) << u.text;
        break;
    case ParameterType::ReplaceTerms:
        for (const ReplaceTerm& t : replaceTerms())
            parts << QString::number(t.matchType) << t.find << t.replace;
        break;
    case ParameterType::VerifyRules: parts = verifyToParts(verifyRules()); break;
    case ParameterType::Bool: parts << QString::number(boolValue() ? 1 : 0); break;
    case ParameterType::Int: parts << QString::number(intValue()); break;
    case ParameterType::Real: parts << QString::number(realValue(), 'g', 6); break;
    case ParameterType::Date:
        parts << (dateValue().isValid() ? dateValue().toString(QStringLiteral("yyyy-MM-dd"))
                                        : QString());
        break;
    case ParameterType::Char:
        parts << (charValue().isNull() ? QString() : QString(charValue()));
        break;
    case ParameterType::Locale:
        parts << (m_value.isNull() ? QString() : localeValue().bcp47Name());
        break;
    case ParameterType::Selection:
    case ParameterType::Text:
    case ParameterType::Script:
    case ParameterType::LongText: parts << text(); break;
    case ParameterType::Label: break;
    }
    return parts;
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
    if (isSingleText(m_type)) {
        fromParts({decodedText}, version);
        return;
    }
    if (needsColumns(m_type) && !decodedText.isEmpty() && !sourceDataset().hasColumns()) {
        // The positions mean nothing until the upstream item has columns.
        m_storedText = decodedText;
        m_storedVersion = version;
        m_needsUpdating = true;
        return;
    }
    const QStringList parts =
        decodedText.isEmpty() ? QStringList() : decodedText.split(PartSeparator);
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
    auto ref = [this](const QString& part) {
        bool ok = false;
        const int position = part.toInt(&ok);
        return ok ? referenceAt(position) : ColumnRef();
    };
    auto term = [&](int i) {
        ConditionTerm t;
        t.column = ref(partAt(parts, i));
        t.op = intAt(parts, i + 1);
        t.text = partAt(parts, i + 2);
        return t;
    };
    switch (m_type) {
    case ParameterType::SingleColumn:
        m_value = QVariant::fromValue(parts.isEmpty() ? ColumnRef() : ref(parts.first()));
        break;
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
        break;
    }
    case ParameterType::CheckedColumns: {
        // Every upstream column, checked when its position was stored.
        QSet<int> checked;
        for (const QString& part : parts)
            checked.insert(part.toInt());
        CheckedColumnList list;
        for (int c = 0; c < sourceDataset().columnCount(); ++c)
            list.append(CheckedColumn{referenceAt(c), checked.contains(c)});
        m_value = QVariant::fromValue(list);
        break;
    }
    case ParameterType::SortColumns: {
        SortColumnList list;
        for (int i = 0; i + 1 < parts.size(); i += 2) {
            const ColumnRef r = ref(parts.at(i));
            if (!r.isEmpty())
                list.append(SortColumn{r, intAt(parts, i + 1, 1) != 0});
        }
        m_value = QVariant::fromValue(list);
        break;
    }
    case ParameterType::FilterColumns: {
        FilterList f;
        f.keepRemove = intAt(parts, 0);
        f.allAny = intAt(parts, 1);
        for (int i = 2; i + 2 < parts.size(); i += 3) {
            ConditionTerm t = term(i);
            // Older documents numbered the two emptiness tests 14 and 15.
            if (version < 57 && (t.op == 14 || t.op == 15))
                t.op += 5;
            f.terms.append(t);
        }
        m_value = QVariant::fromValue(f);
        break;
    }
    case ParameterType::If: {
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
                branch.conditions.append(term(i));
                i += 3;
            }
            branch.thenValue = partAt(parts, i + 1);
            f.branches.append(branch);
            i += 2;
        }
        m_value = QVariant::fromValue(f);
        break;
    }
    case ParameterType::RenameColumns: {
        RenameColumnList list;
        for (int c = 0; c < parts.size(); ++c) {
            if (parts.at(c) != NoRename && !parts.at(c).isEmpty())
                list.append(RenameColumn{ref(QString::number(c)), parts.at(c)});
        }
        m_value = QVariant::fromValue(list);
        break;
    }
    case ParameterType::SplitRows:
        m_value = QVariant::fromValue(
            SplitRowsSpec{intAt(parts, 0), intAt(parts, 1), intAt(parts, 2), partAt(parts, 3)});
        break;
    case ParameterType::Unique: {
        UniqueColumnList list;
        for (int i = 0; i + 2 < parts.size(); i += 3)
            list.append(UniqueColumn{ref(parts.at(i)), intAt(parts, i + 1, 1), parts.at(i + 2)});
        m_value = QVariant::fromValue(list);
        break;
    }
    case ParameterType::ReplaceTerms: {
        ReplaceTermList list;
        for (int i = 0; i + 2 < parts.size(); i += 3)
            list.append(ReplaceTerm{intAt(parts, i), parts.at(i + 1), parts.at(i + 2)});
        m_value = QVariant::fromValue(list);
        break;
    }
    case ParameterType::VerifyRules: m_value = QVariant::fromValue(verifyFromParts(parts)); break;
    default: return fromSimpleText(partAt(parts, 0));
    }
    return true;
}

// Single values: a text that does not read as the type leaves the value as
// it was.
bool TransformParameter::fromSimpleText(const QString& text)
{
    bool ok = false;
    switch (m_type) {
    case ParameterType::Bool: {
        const int v = text.toInt(&ok);
        if (ok)
            m_value = v != 0;
        return ok;
    }
    case ParameterType::Int: {
        const int v = text.toInt(&ok);
        if (ok)
            m_value = v;
        return ok;
    }
    case ParameterType::Real: {
        const double v = text.toDouble(&ok);
        if (ok)
            m_value = v;
        return ok;
    }
    case ParameterType::Selection:
        if (!choiceList().contains(text))
            return false;
        m_value = text;
        return true;
    case ParameterType::Text:
    case ParameterType::Script:
    case ParameterType::LongText: m_value = text; return true;
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
    default: return false;
    }
}
