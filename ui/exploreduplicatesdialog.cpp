#include "ui/exploreduplicatesdialog.h"

#include "core/values.h"
#include "transforms/transform.h"
#include "ui/exploreprogress.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QSpinBox>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <numeric>

namespace {

bool boolOption(const Transform& transform, const QString& key, bool fallback)
{
    const TransformParameter* p = transform.parameter(key);
    return p ? p->boolValue() : fallback;
}

} // namespace

ExploreDuplicatesDialog::ExploreDuplicatesDialog(
    const QString& itemName, const Transform& transform, QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(tr("Explore Duplicates - %1").arg(itemName));
    if (const TransformParameter* p = transform.parameter(transform.matchColumnsKey())) {
        m_data = p->sourceDataset();
        m_columns = p->resolvedColumns(true);
    }
    const TransformParameter* type = transform.parameter(transform.matchTypeKey());
    const TransformParameter* fuzziness = transform.parameter(transform.fuzzinessKey());
    auto* layout = new QVBoxLayout(this);
    auto* choices = new QHBoxLayout;
    m_matchType = new QComboBox(this);
    m_matchType->addItems({ tr("Exact"), tr("Fuzzy") });
    m_matchType->setCurrentIndex(type ? qBound(0, type->selectionIndex(), 1) : 0);
    m_fuzziness = new QSpinBox(this);
    m_fuzziness->setRange(0, 100);
    m_fuzziness->setSuffix(QStringLiteral("%"));
    m_fuzziness->setValue(fuzziness ? fuzziness->intValue() : 80);
    m_caseSensitive = new QCheckBox(tr("Case sensitive"), this);
    m_caseSensitive->setChecked(boolOption(transform, transform.caseSensitiveKey(), true));
    m_ignoreSpaces = new QCheckBox(tr("Ignore spaces"), this);
    m_ignoreSpaces->setChecked(boolOption(transform, transform.ignoreWhitespaceKey(), false));
    m_ignorePunctuation = new QCheckBox(tr("Ignore punctuation"), this);
    m_ignorePunctuation->setChecked(boolOption(transform, transform.ignorePunctuationKey(), false));
    choices->addWidget(new QLabel(tr("Match:"), this));
    choices->addWidget(m_matchType);
    choices->addWidget(new QLabel(tr("Fuzziness:"), this));
    choices->addWidget(m_fuzziness);
    choices->addWidget(m_caseSensitive);
    choices->addWidget(m_ignoreSpaces);
    choices->addWidget(m_ignorePunctuation);
    choices->addStretch(1);
    layout->addLayout(choices);
    m_progress = new ExploreProgress(this);
    layout->addWidget(m_progress);
    m_summary = new QLabel(this);
    layout->addWidget(m_summary);
    m_tree = new QTreeWidget(this);
    QStringList headers { tr("Group / row"), tr("Closeness") };
    for (int column : qAsConst(m_columns))
        headers << m_data.columnName(column);
    m_tree->setHeaderLabels(headers);
    m_tree->setUniformRowHeights(true);
    layout->addWidget(m_tree, 1);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);

    connect(m_matchType, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
        &ExploreDuplicatesDialog::regroup);
    connect(m_fuzziness, QOverload<int>::of(&QSpinBox::valueChanged), this,
        &ExploreDuplicatesDialog::regroup);
    for (QCheckBox* box : { m_caseSensitive, m_ignoreSpaces, m_ignorePunctuation })
        connect(box, &QCheckBox::toggled, this, &ExploreDuplicatesDialog::regroup);
    resize(860, 600);
    QTimer::singleShot(0, this, &ExploreDuplicatesDialog::regroup);
}

DuplicateOptions ExploreDuplicatesDialog::options() const
{
    // The same reading of the options as the item's own run.
    DuplicateOptions o;
    o.fuzzy = m_matchType->currentIndex() == 1;
    o.fuzziness = o.fuzzy ? m_fuzziness->value() : 100;
    o.caseSensitive = m_caseSensitive->isChecked();
    o.ignoreSpaces = m_ignoreSpaces->isChecked();
    o.ignorePunctuation = m_ignorePunctuation->isChecked();
    return o;
}

void ExploreDuplicatesDialog::regroup()
{
    m_fuzziness->setEnabled(m_matchType->currentIndex() == 1);
    if (m_columns.isEmpty()) {
        m_summary->setText(tr("Set the item's columns to compare first."));
        return;
    }
    const DuplicateOptions o = options();
    m_summary->setText(tr("Grouping..."));
    m_progress->run([this, o](const std::function<bool(int, int)>& progress) {
        DuplicateGroups groups;
        if (!findDuplicates(m_data, m_columns, o, groups, progress)) {
            m_summary->setText(tr("Stopped before the end."));
            return;
        }
        showGroups(groups);
    });
}

void ExploreDuplicatesDialog::showGroups(const DuplicateGroups& groups)
{
    QVector<int> repeated; // groups of two or more rows, largest first
    int duplicateRows = 0;
    for (int g = 0; g < groups.groupCount(); ++g) {
        if (groups.sizes.at(g) > 1) {
            repeated.append(g);
            duplicateRows += groups.sizes.at(g) - 1;
        }
    }
    std::stable_sort(repeated.begin(), repeated.end(),
        [&](int a, int b) { return groups.sizes.at(a) > groups.sizes.at(b); });
    if (repeated.size() > MaxListedGroups)
        repeated.resize(MaxListedGroups);
    QVector<QTreeWidgetItem*> items(groups.groupCount(), nullptr);
    m_tree->clear();
    for (int g : qAsConst(repeated)) {
        auto* item = new QTreeWidgetItem(
            { tr("Group of %1").arg(countText(groups.sizes.at(g), tr("row"), tr("rows"))) });
        items[g] = item;
    }
    // One pass over the rows fills every listed group in row order.
    for (int r = 0; r < groups.group.size(); ++r) {
        QTreeWidgetItem* parent = items.at(groups.group.at(r));
        if (!parent)
            continue;
        QStringList texts { tr("Row %1").arg(formatInteger(r + 1)),
            groups.isFirst(r) ? tr("first") : QStringLiteral("%1%").arg(groups.closeness.at(r)) };
        for (int column : qAsConst(m_columns))
            texts << m_data.value(r, column);
        new QTreeWidgetItem(parent, texts);
    }
    QList<QTreeWidgetItem*> top;
    for (int g : qAsConst(repeated))
        top.append(items.at(g));
    m_tree->addTopLevelItems(top);
    if (!top.isEmpty())
        top.first()->setExpanded(true);
    m_tree->header()->resizeSections(QHeaderView::ResizeToContents);
    QString text = tr("%1 rows, %2 duplicate groups, %3 duplicate rows")
                       .arg(formatInteger(m_data.rowCount()),
                           formatInteger(std::count_if(groups.sizes.begin(), groups.sizes.end(),
                               [](int s) { return s > 1; })),
                           formatInteger(duplicateRows));
    if (repeated.size() == MaxListedGroups)
        text += tr(" (the largest %1 groups are listed)").arg(formatInteger(MaxListedGroups));
    m_summary->setText(text);
}

void ExploreDuplicatesDialog::done(int result)
{
    m_progress->stop();
    QDialog::done(result);
}
