#include "ui/explorekeysdialog.h"

#include "core/values.h"
#include "transforms/transform.h"
#include "ui/datatableview.h"
#include "ui/exploreprogress.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QSplitter>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

namespace {

// The rows of one side holding the key, as a small dataset of their own.
Dataset rowsOf(const Dataset& data, int column, const QString& key, bool caseSensitive)
{
    Dataset rows = data;
    rows.selectRows(rowsWithKey(data, column, key, caseSensitive));
    return rows;
}

QString whereText(const ExploredKey& key)
{
    if (key.inBoth())
        return KeyModel::tr("both");
    return key.topRows > 0 ? KeyModel::tr("top only") : KeyModel::tr("bottom only");
}

} // namespace

void KeyModel::setKeys(const KeyExploration& keys)
{
    m_keys = keys;
    setShow(m_show);
}

void KeyModel::setShow(int show)
{
    beginResetModel();
    m_show = show;
    m_shown.clear();
    for (int k = 0; k < m_keys.keys.size(); ++k) {
        if (shows(m_keys.keys.at(k)))
            m_shown.append(k);
    }
    // Near keys read best next to each other.
    if (m_show == NearKeys) {
        std::stable_sort(m_shown.begin(), m_shown.end(), [this](int a, int b) {
            return m_keys.keys.at(a).nearGroup < m_keys.keys.at(b).nearGroup;
        });
    }
    endResetModel();
}

bool KeyModel::shows(const ExploredKey& key) const
{
    switch (m_show) {
    case TopOnly:
        return key.topRows > 0 && key.bottomRows == 0;
    case BottomOnly:
        return key.bottomRows > 0 && key.topRows == 0;
    case InBoth:
        return key.inBoth();
    case Duplicates:
        return key.topRows > 1 || key.bottomRows > 1;
    case NearKeys:
        return key.nearGroup >= 0;
    default:
        return true;
    }
}

int KeyModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_shown.size();
}

int KeyModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : 4;
}

QVariant KeyModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return QVariant();
    const ExploredKey& key = keyAt(index.row());
    if (role == Qt::DisplayRole) {
        switch (index.column()) {
        case 0:
            // Quotes show the whitespace that makes near keys differ.
            return QStringLiteral("'%1'").arg(key.text);
        case 1:
            return formatInteger(key.topRows);
        case 2:
            return formatInteger(key.bottomRows);
        default:
            return whereText(key);
        }
    }
    if (role == Qt::TextAlignmentRole && (index.column() == 1 || index.column() == 2))
        return int(Qt::AlignRight | Qt::AlignVCenter);
    return QVariant();
}

QVariant KeyModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return QVariant();
    if (orientation == Qt::Vertical)
        return section + 1;
    static const char* const names[] = { "Key", "Top rows", "Bottom rows", "Where" };
    return tr(names[qBound(0, section, 3)]);
}

ExploreKeysDialog::ExploreKeysDialog(
    const QString& itemName, const Transform& transform, QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(tr("Explore Keys - %1").arg(itemName));
    if (const TransformParameter* p = transform.parameter(transform.keyColumn1Key())) {
        m_top = p->sourceDataset();
        m_topColumn = p->resolve(p->columnRef());
    }
    if (const TransformParameter* p = transform.parameter(transform.keyColumn2Key())) {
        m_bottom = p->sourceDataset();
        m_bottomColumn = p->resolve(p->columnRef());
    }
    const TransformParameter* caseOption = transform.parameter(transform.caseSensitiveKey());
    auto* layout = new QVBoxLayout(this);
    auto* choices = new QHBoxLayout;
    m_caseSensitive = new QCheckBox(tr("Case sensitive"), this);
    m_caseSensitive->setChecked(!caseOption || caseOption->boolValue());
    m_show = new QComboBox(this);
    m_show->addItems({ tr("All keys"), tr("Top only"), tr("Bottom only"), tr("In both"),
        tr("Duplicated keys"), tr("Keys differing in case or whitespace") });
    choices->addWidget(
        new QLabel(tr("Keys: top '%1', bottom '%2'")
                       .arg(m_top.columnName(m_topColumn), m_bottom.columnName(m_bottomColumn)),
            this));
    choices->addStretch(1);
    choices->addWidget(m_caseSensitive);
    choices->addWidget(new QLabel(tr("Show:"), this));
    choices->addWidget(m_show);
    layout->addLayout(choices);
    m_progress = new ExploreProgress(this);
    layout->addWidget(m_progress);
    m_summary = new QLabel(this);
    m_summary->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(m_summary);
    m_model = new KeyModel(this);
    m_table = new QTableView(this);
    m_table->setModel(m_model);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    m_table->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    m_table->setToolTip(tr("Double-click a key to see its rows from both sides."));
    layout->addWidget(m_table, 1);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    connect(m_caseSensitive, &QCheckBox::toggled, this, &ExploreKeysDialog::explore);
    connect(
        m_show, QOverload<int>::of(&QComboBox::currentIndexChanged), m_model, &KeyModel::setShow);
    connect(m_table, &QTableView::doubleClicked, this,
        [this](const QModelIndex& index) { showRows(index.row()); });
    resize(760, 560);
    QTimer::singleShot(0, this, &ExploreKeysDialog::explore);
}

void ExploreKeysDialog::explore()
{
    if (m_topColumn < 0 || m_bottomColumn < 0) {
        m_summary->setText(tr("Set both key columns of the item first."));
        return;
    }
    const bool caseSensitive = m_caseSensitive->isChecked();
    m_summary->setText(tr("Exploring..."));
    m_progress->run([this, caseSensitive](const std::function<bool(int, int)>& progress) {
        const KeyExploration keys
            = exploreKeys(m_top, m_topColumn, m_bottom, m_bottomColumn, caseSensitive, progress);
        if (!keys.complete) {
            m_summary->setText(tr("Stopped before the end."));
            return;
        }
        m_model->setKeys(keys);
        m_summary->setText(
            tr("%1 keys in both datasets. Top only: %2 keys in %3 rows. Bottom only: %4 keys in "
               "%5 rows.\nDuplicated keys: %6 top, %7 bottom. Keys differing only in case or "
               "whitespace: %8.")
                .arg(formatInteger(keys.bothKeys), formatInteger(keys.topOnlyKeys),
                    formatInteger(keys.topOnlyRows), formatInteger(keys.bottomOnlyKeys),
                    formatInteger(keys.bottomOnlyRows), formatInteger(keys.topDuplicateKeys),
                    formatInteger(keys.bottomDuplicateKeys),
                    formatInteger(keys.nearGroups.size())));
    });
}

QDialog* ExploreKeysDialog::showRows(int row)
{
    if (row < 0 || row >= m_model->rowCount())
        return nullptr;
    const QString key = m_model->keyAt(row).text;
    const bool caseSensitive = m_caseSensitive->isChecked();
    auto* dialog = new QDialog(this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowTitle(tr("Rows with key '%1'").arg(elide(key, 60)));
    auto* layout = new QVBoxLayout(dialog);
    auto* splitter = new QSplitter(Qt::Vertical, dialog);
    const Dataset* sides[] = { &m_top, &m_bottom };
    const int columns[] = { m_topColumn, m_bottomColumn };
    for (int side = 0; side < 2; ++side) {
        const Dataset rows = rowsOf(*sides[side], columns[side], key, caseSensitive);
        auto* pane = new QWidget(splitter);
        auto* paneLayout = new QVBoxLayout(pane);
        paneLayout->addWidget(
            new QLabel((side == 0 ? tr("Top: %1") : tr("Bottom: %1"))
                           .arg(countText(rows.rowCount(), tr("row"), tr("rows"))),
                pane));
        auto* table = new DataTableView(pane);
        table->setDataset(rows);
        paneLayout->addWidget(table, 1);
    }
    layout->addWidget(splitter, 1);
    dialog->resize(800, 560);
    dialog->show();
    return dialog;
}

void ExploreKeysDialog::done(int result)
{
    m_progress->stop();
    QDialog::done(result);
}
