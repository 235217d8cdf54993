#pragma once

#include "core/dataset.h"
#include "transforms/support/duplicategroups.h"

#include <QDialog>

class ExploreProgress;
class QCheckBox;
class QComboBox;
class QLabel;
class QSpinBox;
class QTreeWidget;
class Transform;

// The duplicate groups a Dedupe item would find, largest first, each with
// its rows and their closeness. The match options start as the item's and
// can be changed here, so that a user sees groups form and split while
// tuning the fuzziness, before running anything.
class ExploreDuplicatesDialog : public QDialog
{
    Q_OBJECT

public:
    // Groups beyond this many are counted but not listed.
    static constexpr int MaxListedGroups = 2000;

    ExploreDuplicatesDialog(
        const QString& itemName, const Transform& transform, QWidget* parent = nullptr);

    void regroup();

    QComboBox* matchTypeCombo() const { return m_matchType; }
    QSpinBox* fuzzinessBox() const { return m_fuzziness; }
    QCheckBox* caseSensitiveBox() const { return m_caseSensitive; }
    QCheckBox* ignoreSpacesBox() const { return m_ignoreSpaces; }
    QCheckBox* ignorePunctuationBox() const { return m_ignorePunctuation; }
    QTreeWidget* tree() const { return m_tree; }
    QLabel* summaryLabel() const { return m_summary; }
    ExploreProgress* progress() const { return m_progress; }

protected:
    void done(int result) override;

private:
    DuplicateOptions options() const;
    void showGroups(const DuplicateGroups& groups);

    Dataset m_data;
    QVector<int> m_columns;
    QComboBox* m_matchType;
    QSpinBox* m_fuzziness;
    QCheckBox* m_caseSensitive;
    QCheckBox* m_ignoreSpaces;
    QCheckBox* m_ignorePunctuation;
    QTreeWidget* m_tree;
    QLabel* m_summary;
    ExploreProgress* m_progress;
};
