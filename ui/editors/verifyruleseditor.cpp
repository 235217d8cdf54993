#include "ui/editors/verifyruleseditor.h"

#include "core/dataset.h"
#include "transforms/other/verifychecks.h"
#include "transforms/transformparameter.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int KindRole = Qt::UserRole + 1;
constexpr int DatasetRole = Qt::UserRole + 2; // on rule items: a dataset rule
constexpr int PositionRole = Qt::UserRole + 3; // on column branches
constexpr int NameRole = Qt::UserRole + 4;

} // namespace

VerifyRulesEditor::VerifyRulesEditor(TransformParameter* parameter, QWidget* parent)
    : ParameterEditor(parameter, parent),
      m_tree(new QTreeWidget(this)),
      m_kinds(new QComboBox(this))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_tree->setColumnCount(3);
    m_tree->setHeaderLabels({ tr("Rule"), tr("Value"), tr("Severity") });
    m_tree->header()->setStretchLastSection(false);
    m_tree->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    m_tree->setMinimumHeight(220);
    layout->addWidget(m_tree);
    auto* row = new QHBoxLayout;
    auto* add = new QPushButton(tr("Add rule"), this);
    m_remove = new QPushButton(tr("Remove rule"), this);
    row->addWidget(m_kinds, 1);
    row->addWidget(add);
    row->addWidget(m_remove);
    layout->addLayout(row);
    // Only a rule's value is typed in; its name stays the kind's name.
    m_tree->setEditTriggers(QAbstractItemView::NoEditTriggers);
    connect(m_tree, &QTreeWidget::itemDoubleClicked, this, &VerifyRulesEditor::onDoubleClicked);
    connect(add, &QPushButton::clicked, this, &VerifyRulesEditor::onAdd);
    connect(m_remove, &QPushButton::clicked, this, &VerifyRulesEditor::onRemove);
    connect(
        m_tree, &QTreeWidget::itemSelectionChanged, this, &VerifyRulesEditor::onSelectionChanged);
    connect(m_tree, &QTreeWidget::itemChanged, this, &VerifyRulesEditor::notifyEdited);
}

QStringList VerifyRulesEditor::datasetRuleNames()
{
    return verify::datasetRuleNames();
}

QStringList VerifyRulesEditor::columnRuleNames()
{
    return verify::columnRuleNames();
}

QStringList VerifyRulesEditor::columnTypeNames()
{
    return verify::columnTypeNames();
}

QStringList VerifyRulesEditor::severityNames()
{
    return verify::severityNames();
}

QVector<int> VerifyRulesEditor::columnRuleKinds(int columnType)
{
    return verify::columnRuleKinds(columnType);
}

QTreeWidgetItem* VerifyRulesEditor::addRuleItem(
    QTreeWidgetItem* branch, const VerifyRule& rule, bool datasetRule)
{
    const QStringList names = datasetRule ? datasetRuleNames() : columnRuleNames();
    auto* item = new QTreeWidgetItem(branch);
    item->setText(0, names.value(rule.kind, QString::number(rule.kind)));
    item->setData(0, KindRole, rule.kind);
    item->setData(0, DatasetRole, datasetRule);
    item->setFlags(
        Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable | Qt::ItemIsEditable);
    item->setCheckState(0, rule.checked ? Qt::Checked : Qt::Unchecked);
    item->setToolTip(0,
        datasetRule ? verify::datasetRuleTooltip(rule.kind) : verify::columnRuleTooltip(rule.kind));
    item->setText(1, rule.value);
    auto* severity = new QComboBox;
    severity->addItems(severityNames());
    severity->setCurrentIndex(qBound(0, rule.severity, 2));
    m_tree->setItemWidget(item, 2, severity);
    connect(severity, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
        &VerifyRulesEditor::notifyEdited);
    return item;
}

void VerifyRulesEditor::loadValue()
{
    const VerifyRuleSet value = parameter()->verifyRules();
    QSignalBlocker block(m_tree);
    m_tree->clear();
    auto* datasetBranch = new QTreeWidgetItem(m_tree, { tr("Dataset") });
    datasetBranch->setData(0, PositionRole, -1);
    for (const VerifyRule& rule : value.datasetRules)
        addRuleItem(datasetBranch, rule, true);
    // One branch per upstream column; columns the rules name beyond the
    // upstream width keep their branch so nothing is lost.
    const Dataset& ds = parameter()->sourceDataset();
    int count = ds.columnCount();
    for (const VerifyColumnRules& c : value.columns)
        count = std::max(count, c.position + 1);
    for (int position = 0; position < count; ++position) {
        VerifyColumnRules rules;
        rules.position = position;
        rules.expectedName = ds.isValidColumn(position) ? ds.columnName(position) : QString();
        for (const VerifyColumnRules& c : value.columns) {
            if (c.position == position)
                rules = c;
        }
        const QString name
            = ds.isValidColumn(position) ? ds.columnName(position) : rules.expectedName;
        auto* branch
            = new QTreeWidgetItem(m_tree, { tr("Column %1: '%2'").arg(position + 1).arg(name) });
        branch->setData(0, PositionRole, position);
        branch->setData(0, NameRole, rules.expectedName);
        auto* type = new QComboBox;
        type->addItems(columnTypeNames());
        type->setCurrentIndex(qBound(0, rules.columnType, 4));
        m_tree->setItemWidget(branch, 1, type);
        connect(type, QOverload<int>::of(&QComboBox::currentIndexChanged), this, [this] {
            onSelectionChanged();
            notifyEdited();
        });
        for (const VerifyRule& rule : rules.rules)
            addRuleItem(branch, rule, false);
    }
    m_tree->expandAll();
    onSelectionChanged();
}

QVector<VerifyRule> VerifyRulesEditor::rulesOf(const QTreeWidgetItem* branch) const
{
    QVector<VerifyRule> rules;
    for (int i = 0; i < branch->childCount(); ++i) {
        QTreeWidgetItem* item = branch->child(i);
        VerifyRule rule;
        rule.kind = item->data(0, KindRole).toInt();
        rule.checked = item->checkState(0) == Qt::Checked;
        rule.value = item->text(1);
        if (auto* severity = qobject_cast<QComboBox*>(m_tree->itemWidget(item, 2)))
            rule.severity = severity->currentIndex();
        rules.append(rule);
    }
    return rules;
}

QVariant VerifyRulesEditor::editedValue() const
{
    VerifyRuleSet value;
    for (int i = 0; i < m_tree->topLevelItemCount(); ++i) {
        QTreeWidgetItem* branch = m_tree->topLevelItem(i);
        const int position = branch->data(0, PositionRole).toInt();
        if (position < 0) {
            value.datasetRules = rulesOf(branch);
            continue;
        }
        VerifyColumnRules column;
        column.position = position;
        column.expectedName = branch->data(0, NameRole).toString();
        if (auto* type = qobject_cast<QComboBox*>(m_tree->itemWidget(branch, 1)))
            column.columnType = type->currentIndex();
        column.rules = rulesOf(branch);
        // A column left at its defaults says nothing worth storing.
        if (!column.rules.isEmpty() || column.columnType != VerifyColumnRules().columnType)
            value.columns.append(column);
    }
    return QVariant::fromValue(value);
}

QTreeWidgetItem* VerifyRulesEditor::selectedBranch() const
{
    QTreeWidgetItem* item = m_tree->currentItem();
    if (item && item->parent())
        item = item->parent();
    return item ? item : m_tree->topLevelItem(0);
}

void VerifyRulesEditor::onSelectionChanged()
{
    QTreeWidgetItem* branch = selectedBranch();
    m_kinds->clear();
    if (!branch)
        return;
    const int position = branch->data(0, PositionRole).toInt();
    if (position < 0) {
        const QStringList names = datasetRuleNames();
        for (int k = 0; k < names.size(); ++k)
            m_kinds->addItem(names.at(k), k);
        return;
    }
    auto* type = qobject_cast<QComboBox*>(m_tree->itemWidget(branch, 1));
    const QStringList names = columnRuleNames();
    for (int k : columnRuleKinds(type ? type->currentIndex() : 4))
        m_kinds->addItem(names.at(k), k);
}

void VerifyRulesEditor::addRule(QTreeWidgetItem* branch, int kind)
{
    if (!branch)
        return;
    VerifyRule rule;
    rule.kind = kind;
    {
        QSignalBlocker block(m_tree);
        addRuleItem(branch, rule, branch->data(0, PositionRole).toInt() < 0);
    }
    branch->setExpanded(true);
    notifyEdited();
}

void VerifyRulesEditor::onDoubleClicked(QTreeWidgetItem* item, int column)
{
    if (!item->parent() || column != 1)
        return;
    const int kind = item->data(0, KindRole).toInt();
    const bool takesValue = item->data(0, DatasetRole).toBool()
        ? verify::datasetRuleTakesValue(kind)
        : verify::columnRuleTakesValue(kind);
    if (takesValue)
        m_tree->editItem(item, 1);
}

void VerifyRulesEditor::onRemove()
{
    QTreeWidgetItem* item = m_tree->currentItem();
    if (!item || !item->parent())
        return;
    delete item;
    notifyEdited();
}

void VerifyRulesEditor::onAdd()
{
    if (m_kinds->currentIndex() >= 0)
        addRule(selectedBranch(), m_kinds->currentData().toInt());
}
