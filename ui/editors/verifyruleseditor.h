#pragma once

#include "ui/editors/parametereditor.h"

class QComboBox;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

// The verification rules as a tree: the dataset's rules, then one branch per
// upstream column with its type and its rules. Each rule is checked to be
// active, may take a value and has a severity. Rules are added from the
// kinds the branch's column type offers, ticked, given a value (double-click
// the value cell) and removed with "Remove rule".
class VerifyRulesEditor : public ParameterEditor
{
    Q_OBJECT
public:
    explicit VerifyRulesEditor(TransformParameter* parameter, QWidget* parent = nullptr);
    QVariant editedValue() const override;
    QTreeWidget* tree() const { return m_tree; }

    static QStringList datasetRuleNames();
    static QStringList columnRuleNames();
    static QStringList columnTypeNames();
    static QStringList severityNames();
    // The column rule kinds offered for a column type.
    static QVector<int> columnRuleKinds(int columnType);
    // Adds a rule of the kind chosen below the tree to the selected branch.
    void addRule(QTreeWidgetItem* branch, int kind);

protected:
    void loadValue() override;

private:
    QTreeWidgetItem* addRuleItem(QTreeWidgetItem* branch, const VerifyRule& rule, bool datasetRule);
    QVector<VerifyRule> rulesOf(const QTreeWidgetItem* branch) const;
    void onSelectionChanged();
    void onAdd();
    void onRemove();
    void onDoubleClicked(QTreeWidgetItem* item, int column);
    QTreeWidgetItem* selectedBranch() const;

    QTreeWidget* m_tree;
    QComboBox* m_kinds;
    QPushButton* m_remove;
};
