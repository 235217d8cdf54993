#include "ui/datatableview.h"

#include "ui/datatablemodel.h"
#include "ui/profilestrip.h"
#include "ui/windowsettings.h"

#include <QComboBox>
#include <QFont>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStackedWidget>
#include <QTableView>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

struct ScrollButtonText
{
    const char* glyph;
    const char* tip;
};

// Arrows with a bar mean "all the way".
const ScrollButtonText ScrollTexts[DataTableView::ScrollButtonCount] = {
    { "\u21E4", "Scroll data all the way left." },
    { "\u2190", "Scroll data left." },
    { "\u2192", "Scroll data right." },
    { "\u21E5", "Scroll data all the way right." },
    { "\u2912", "Scroll data to top." },
    { "\u2191", "Scroll data up." },
    { "\u2193", "Scroll data down." },
    { "\u2913", "Scroll data to bottom." },
};

} // namespace

DataTableView::DataTableView(QWidget* parent)
    : QWidget(parent),
      m_model(new DataTableModel(this)),
      m_table(new QTableView(this)),
      m_tooBig(new QLabel(this)),
      m_stack(new QStackedWidget(this)),
      m_filterMode(new QComboBox(this)),
      m_filterText(new QLineEdit(this)),
      m_whitespace(new QToolButton(this)),
      m_filterDelay(new QTimer(this))
{
    m_filterDelay->setSingleShot(true);
    m_filterDelay->setInterval(300);
    connect(m_filterDelay, &QTimer::timeout, this, &DataTableView::applyFilter);
    connect(m_model, &DataTableModel::filterApplied, this, &DataTableView::updateShownCount);
    connect(m_model, &DataTableModel::filterApplied, this, &DataTableView::restorePosition);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addWidget(makeToolRow());
    m_table->setModel(m_model);
    m_profile = new ProfileStrip(m_table, m_model, this);
    placeProfileStrip();
    layout->addWidget(m_profile);
    connect(m_profileButton, &QToolButton::toggled, this, [this](bool on) {
        WindowSettings::instance().setShowProfileStrip(on);
        placeProfileStrip();
    });
    connect(m_profile, &ProfileStrip::barChosen, this, &DataTableView::filterByValues);
    m_table->setWordWrap(false);
    m_table->setAlternatingRowColors(true);
    m_table->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    m_table->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    // Fixed section sizes: measuring contents would read every row.
    m_table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    m_table->horizontalHeader()->setDefaultSectionSize(110);
    // A click on a header orders the view only (no Sort item is made); the
    // first click sorts up, the next down.
    m_table->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    m_table->setSortingEnabled(true);
    connect(m_table->verticalScrollBar(), &QScrollBar::valueChanged, this,
        &DataTableView::onScrolledTo);
    connect(m_table->horizontalHeader(), &QHeaderView::sectionResized, this, [this](int column) {
        if (!m_sizing)
            m_userSized.insert(column);
    });
    m_tooBig->setAlignment(Qt::AlignCenter);
    m_tooBig->setWordWrap(true);
    m_stack->addWidget(m_table);
    m_stack->addWidget(m_tooBig);
    layout->addWidget(m_stack, 1);
    applyPreferences();
}

QWidget* DataTableView::makeToolRow()
{
    auto* row = new QWidget(this);
    m_toolRow = new QBoxLayout(QBoxLayout::LeftToRight, row);
    m_toolRow->setContentsMargins(0, 0, 0, 0);
    m_toolRow->setSpacing(12);
    m_scrollTools = new QHBoxLayout;
    m_filterTools = new QHBoxLayout;
    for (QHBoxLayout* part : { m_scrollTools, m_filterTools }) {
        part->setSpacing(1);
        m_toolRow->addLayout(part);
    }
    m_toolRow->setStretch(1, 1);
    QHBoxLayout* tools = m_scrollTools;
    for (int i = 0; i < ScrollButtonCount; ++i) {
        m_scroll[i] = new QToolButton(row);
        m_scroll[i]->setText(QString::fromUtf8(ScrollTexts[i].glyph));
        m_scroll[i]->setToolTip(tr(ScrollTexts[i].tip));
        m_scroll[i]->setAutoRaise(true);
        tools->addWidget(m_scroll[i]);
        connect(m_scroll[i], &QToolButton::clicked, this, [this, i] { onScroll(i); });
        if (i == ScrollAllRight)
            tools->addSpacing(6);
    }
    m_profileButton = new QToolButton(row);
    m_profileButton->setText(QStringLiteral("\u2587\u2583\u2585"));
    m_profileButton->setCheckable(true);
    m_profileButton->setAutoRaise(true);
    m_profileButton->setChecked(WindowSettings::instance().showProfileStrip());
    m_profileButton->setToolTip(
        tr("Show a profile of every column over the grid, worked out from every row: its "
           "kinds, values and traps. Click a bar to see only its rows."));
    // Beside the scroll buttons: the filter row keeps its room to type.
    tools->addSpacing(6);
    tools->addWidget(m_profileButton);
    m_scrollTools->addStretch(1);
    tools = m_filterTools;
    auto* label = new QLabel(tr("Filter table by"), row);
    m_filterMode->addItems({ tr("Column name"), tr("Row data"), tr("Column data") });
    m_filterMode->setCurrentIndex(qBound(0, WindowSettings::instance().filterDataIndex(), 2));
    m_filterText->setClearButtonEnabled(true);
    m_filterText->setPlaceholderText(tr("filter text"));
    m_filterText->setToolTip(tr("Hide the rows or columns that do not contain this text (not "
                                "case sensitive). The data itself is not changed."));
    m_whitespace->setText(QStringLiteral("\u00B6"));
    m_whitespace->setCheckable(true);
    m_whitespace->setAutoRaise(true);
    m_whitespace->setToolTip(tr("Show whitespace characters."));
    tools->addWidget(label);
    tools->addWidget(m_filterMode);
    tools->addWidget(m_filterText, 1);
    // In the text colour, kept from shrinking: the count is how the user
    // knows rows are hidden.
    m_shownCount = new QLabel(row);
    m_shownCount->setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Preferred);
    tools->addWidget(m_shownCount);
    tools->addWidget(m_whitespace);
    connect(m_filterMode, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
        &DataTableView::onFilterChanged);
    connect(m_filterText, &QLineEdit::textChanged, this, &DataTableView::onFilterChanged);
    connect(m_whitespace, &QToolButton::toggled, m_model, &DataTableModel::setShowInvisibles);
    return row;
}

void DataTableView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    fitToolRow();
    placeProfileStrip();
}

// In a short pane the strip would leave the grid a row or two: it steps
// aside until the pane is tall enough, and comes back by itself.
void DataTableView::placeProfileStrip()
{
    const bool room = height() >= 4 * m_profile->sizeHint().height();
    m_profile->setVisible(m_profileButton->isChecked() && room);
}

void DataTableView::fitToolRow()
{
    // A narrow pane puts the filter below the scroll buttons rather than
    // squeeze its label and choices until they cannot be read.
    const int gap = 12;
    const int wanted = m_scrollTools->sizeHint().width() + gap + m_filterTools->sizeHint().width();
    const bool oneRow = width() >= wanted;
    const auto direction = oneRow ? QBoxLayout::LeftToRight : QBoxLayout::TopToBottom;
    if (m_toolRow->direction() != direction) {
        m_toolRow->setDirection(direction);
        m_toolRow->setSpacing(oneRow ? gap : 1);
    }
}

void DataTableView::applyPreferences()
{
    const WindowSettings& settings = WindowSettings::instance();
    QFont font = m_table->font();
    if (!settings.dataFont().isEmpty())
        font.fromString(settings.dataFont());
    m_table->setFont(font);
    const int height = QFontMetrics(font).height() + settings.dataFontVerticalPadding();
    m_table->verticalHeader()->setDefaultSectionSize(height);
    m_table->verticalHeader()->setMinimumSectionSize(height);
}

void DataTableView::setDataset(const Dataset& dataset)
{
    m_model->setDataset(dataset);
    m_profile->setDataset(dataset);
    // The column a bar was chosen in is gone: so is its filter's text.
    if (m_model->valueFilterColumn() < 0 && m_model->filterText().isEmpty()
        && !m_filterText->text().isEmpty() && !m_filterDelay->isActive()) {
        const QSignalBlocker quiet(m_filterText);
        m_filterText->clear();
    }
    const bool tooBig = m_model->isTooBig();
    m_tooBig->setText(tooBig ? m_model->tooBigMessage() : QString());
    m_stack->setCurrentWidget(tooBig ? static_cast<QWidget*>(m_tooBig) : m_table);
    if (!tooBig)
        fitColumns();
    updateShownCount();
}

namespace {

constexpr int WidestColumn = 320;
constexpr int SampledColumns = 300;

} // namespace

void DataTableView::fitColumns()
{
    // Measuring every row of a big table would block the window: the
    // widths come from the header and a sample of rows from the top, the
    // bottom and evenly between (ids grow downwards), and grow as the user
    // scrolls to longer values. Long values show whole in their tip.
    m_userSized.clear();
    const Dataset& data = m_model->dataset();
    const QFontMetrics header(m_table->horizontalHeader()->font());
    const int columns = qMin(m_model->columnCount(), SampledColumns);
    m_sizing = true;
    for (int c = 0; c < columns; ++c) {
        const int width = header.horizontalAdvance(data.columnName(m_model->sourceColumn(c))) + 24;
        m_table->setColumnWidth(c, qBound(48, width, WidestColumn));
    }
    m_sizing = false;
    const int rows = m_model->rowCount();
    const int each = 200;
    QVector<int> sample;
    for (int r = 0; r < qMin(rows, each); ++r)
        sample << r;
    for (int r = qMax(each, rows - each); r < rows; ++r)
        sample << r;
    if (rows > 3 * each) {
        for (int i = 1; i < each; ++i)
            sample << int(qint64(rows) * i / each);
    }
    widenColumns(sample);
}

void DataTableView::widenColumns(const QVector<int>& rows)
{
    const Dataset& data = m_model->dataset();
    const QFontMetrics cell(m_table->font());
    const int columns = qMin(m_model->columnCount(), SampledColumns);
    m_sizing = true;
    for (int c = 0; c < columns; ++c) {
        const int current = m_table->columnWidth(c);
        if (m_userSized.contains(c) || current >= WidestColumn)
            continue;
        const int source = m_model->sourceColumn(c);
        int width = current;
        for (int r : rows) {
            if (r >= 0 && r < m_model->rowCount())
                width = qMax(
                    width, cell.horizontalAdvance(data.value(m_model->sourceRow(r), source)) + 14);
            if (width >= WidestColumn)
                break;
        }
        if (width > current)
            m_table->setColumnWidth(c, qMin(width, WidestColumn));
    }
    m_sizing = false;
}

void DataTableView::onScrolledTo()
{
    const int first = m_table->rowAt(0);
    if (first < 0)
        return;
    int last = m_table->rowAt(m_table->viewport()->height() - 1);
    if (last < 0)
        last = m_model->rowCount() - 1;
    QVector<int> shown;
    for (int r = first; r <= last; ++r)
        shown << r;
    widenColumns(shown);
}

void DataTableView::updateShownCount()
{
    const Dataset& data = m_model->dataset();
    QString text;
    if (m_model->isFiltering()) {
        text = tr("Filtering...");
    } else if ((!m_model->filterText().isEmpty() || m_model->valueFilterColumn() >= 0)
        && !m_model->isTooBig()) {
        if (m_model->valueFilterColumn() < 0
            && m_model->filterMode() != DataTableModel::FilterRowData)
            text = tr("%1 of %2 columns").arg(m_model->columnCount()).arg(data.columnCount());
        else
            text = tr("%1 of %2 rows").arg(m_model->rowCount()).arg(data.rowCount());
    }
    m_shownCount->setText(text);
    m_shownCount->setVisible(!text.isEmpty());
}

void DataTableView::onFilterChanged()
{
    WindowSettings::instance().setFilterDataIndex(m_filterMode->currentIndex());
    // Filtering a big table reads every value; wait until the typing stops.
    const qint64 cells = qint64(m_model->dataset().rowCount()) * m_model->dataset().columnCount();
    if (cells > DataTableModel::BackgroundCells)
        m_filterDelay->start();
    else
        applyFilter();
}

void DataTableView::clearFilter()
{
    // The order chosen by a header belongs to the table it was chosen for.
    if (m_model->sortColumn() >= 0)
        m_table->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    if (m_filterText->text().isEmpty()) {
        m_filterDelay->stop();
        return;
    }
    const QSignalBlocker quiet(m_filterText);
    m_filterText->clear();
    applyFilter();
}

void DataTableView::filterByValues(
    int column, const QString& description, const std::function<bool(const QString&)>& test)
{
    {
        const QSignalBlocker quiet(m_filterText);
        m_filterText->setText(description);
    }
    changeFilter([&] { m_model->setValueFilter(column, test); });
}

void DataTableView::applyFilter()
{
    changeFilter(
        [this] { m_model->setFilter(m_filterMode->currentIndex(), m_filterText->text()); });
}

void DataTableView::changeFilter(const std::function<void()>& setFilter)
{
    m_filterDelay->stop();
    // The row the user is on stays in view when the filter changes (most
    // of all when it is cleared, back to the whole table).
    const QModelIndex current = m_table->currentIndex();
    const int onRow = current.isValid() ? current.row() : m_table->rowAt(0);
    m_keptRow = onRow >= 0 ? m_model->sourceRow(onRow) : -1;
    m_keptColumn = current.isValid() ? current.column() : 0;
    setFilter();
    updateShownCount();
    restorePosition();
}

void DataTableView::restorePosition()
{
    if (m_keptRow < 0 || m_model->isFiltering())
        return;
    const int rows = m_model->rowCount();
    for (int r = 0; r < rows; ++r) {
        if (m_model->sourceRow(r) != m_keptRow)
            continue;
        const QModelIndex at = m_model->index(r, qMin(m_keptColumn, m_model->columnCount() - 1));
        m_table->setCurrentIndex(at);
        m_table->scrollTo(at, QAbstractItemView::PositionAtCenter);
        break;
    }
    m_keptRow = -1;
}

void DataTableView::onScroll(int which)
{
    QScrollBar* horizontal = m_table->horizontalScrollBar();
    QScrollBar* vertical = m_table->verticalScrollBar();
    switch (which) {
    case ScrollAllLeft:
        horizontal->setValue(horizontal->minimum());
        break;
    case ScrollLeft:
        horizontal->triggerAction(QAbstractSlider::SliderPageStepSub);
        break;
    case ScrollRight:
        horizontal->triggerAction(QAbstractSlider::SliderPageStepAdd);
        break;
    case ScrollAllRight:
        horizontal->setValue(horizontal->maximum());
        break;
    case ScrollTop:
        vertical->setValue(vertical->minimum());
        break;
    case ScrollUp:
        vertical->triggerAction(QAbstractSlider::SliderPageStepSub);
        break;
    case ScrollDown:
        vertical->triggerAction(QAbstractSlider::SliderPageStepAdd);
        break;
    default:
        vertical->setValue(vertical->maximum());
        break;
    }
}
