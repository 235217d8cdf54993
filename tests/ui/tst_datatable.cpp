#include "ui/datatablechars.h"
#include "ui/datatablemodel.h"
#include "ui/datatableview.h"
#include "ui/windowsettings.h"
#include "uitesthelpers.h"

#include <QColor>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QTableView>
#include <QTest>
#include <QThread>
#include <QToolButton>

namespace {

QStringList shownColumns(const DataTableModel& model)
{
    QStringList names;
    for (int c = 0; c < model.columnCount(); ++c)
        names << model.headerData(c, Qt::Horizontal).toString();
    return names;
}

QList<int> shownRows(const DataTableModel& model)
{
    QList<int> rows;
    for (int r = 0; r < model.rowCount(); ++r)
        rows << model.headerData(r, Qt::Vertical).toInt();
    return rows;
}

// Shows data in a grid of the given size; false when the window never
// appears.
bool showTable(DataTableView& view, const Dataset& data, const QSize& size)
{
    view.resize(size);
    view.setDataset(data);
    view.show();
    return QTest::qWaitForWindowExposed(&view);
}

} // namespace

class TestDataTable : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_settingsDir;

private slots:
    void initTestCase()
    {
        isolateSettings(m_settingsDir);
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        // These tests time the grid's own background work; the profile strip
        // (tested on its own) would share the two cores with it.
        WindowSettings::instance().setShowProfileStrip(false);
    }

    void tooBigMessage_data()
    {
        QTest::addColumn<int>("columns");
        QTest::addColumn<int>("rows");
        QTest::addColumn<QString>("message");
        QTest::newRow("fits") << 100000 << 10000000 << QString();
        QTest::newRow("rows") << 3 << 10000001
                              << "3 cols x 10,000,001 rows is too big to display\n\n"
                                 "Use a 'Sample' transform to reduce to <=10,000,000 rows";
        QTest::newRow("columns") << 100001 << 2
                                 << "100,001 cols x 2 rows is too big to display\n\n"
                                    "Use a 'Remove Cols' transform to reduce to <=100,000 columns";
        QTest::newRow("both: columns advice")
            << 100001 << 10000001
            << "100,001 cols x 10,000,001 rows is too big to display\n\n"
               "Use a 'Remove Cols' transform to reduce to <=100,000 columns";
    }

    void tooBigMessage()
    {
        QFETCH(int, columns);
        QFETCH(int, rows);
        QFETCH(QString, message);
        QCOMPARE(DataTableModel::tooBigMessage(columns, rows), message);
    }

    void largeDatasetIsServedInPlace()
    {
        Dataset big;
        big.setColumnCount(2);
        big.setRowCount(DataTableModel::MaxRows);
        big.setValue(DataTableModel::MaxRows - 1, 1, QStringLiteral("last"));
        DataTableView view;
        view.setDataset(big);
        const DataTableModel* model = view.model();
        QCOMPARE(model->rowCount(), DataTableModel::MaxRows);
        QCOMPARE(model->columnCount(), 2);
        QCOMPARE(model->data(model->index(DataTableModel::MaxRows - 1, 1)).toString(),
            QStringLiteral("last"));
        // The model shares the dataset's rows instead of copying them.
        QVERIFY(model->dataset().sharesStorageWith(big));
        QVERIFY(!view.tooBigLabel()->isVisibleTo(&view));

        big.appendRow({ QStringLiteral("one"), QStringLiteral("too many") });
        view.setDataset(big);
        QCOMPARE(model->rowCount(), 0);
        QVERIFY(view.tooBigLabel()->text().startsWith(QStringLiteral("2 cols x 10,000,001 rows")));
    }

    void filterModes_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("columns");
        QTest::addColumn<QList<int>>("rows");
        const QStringList all { "Name", "City", "Notes" };
        QTest::newRow("no filter") << 0 << "" << all << QList<int> { 1, 2, 3 };
        QTest::newRow("column name, any case")
            << 0 << "CI" << QStringList { "City" } << QList<int> { 1, 2, 3 };
        QTest::newRow("column name, none") << 0 << "zz" << QStringList() << QList<int> { 1, 2, 3 };
        QTest::newRow("row data") << 1 << "paris" << all << QList<int> { 1, 3 };
        QTest::newRow("row data matches any cell") << 1 << "ANN" << all << QList<int> { 2 };
        QTest::newRow("column data")
            << 2 << "O" << QStringList { "Name", "City" } << QList<int> { 1, 2, 3 };
    }

    void filterModes()
    {
        QFETCH(int, mode);
        QFETCH(QString, text);
        QFETCH(QStringList, columns);
        QFETCH(QList<int>, rows);
        const Dataset data = makeDataset({ "Name", "City", "Notes" },
            { { "Joe", "Paris", "" }, { "Ann", "Rome", "see" }, { "Max", "Paris", "keep" } });
        DataTableModel model;
        model.setDataset(data);
        model.setFilter(mode, text);
        QCOMPARE(shownColumns(model), columns);
        QCOMPARE(shownRows(model), rows);
        QVERIFY(model.dataset().equals(data)); // the data itself is untouched
    }

    void bigTableFiltersInTheBackground()
    {
        // Just over the cell count that moves filtering off the window's thread,
        // with matches at both ends and on each side of the halves' split.
        const int rows = int(DataTableModel::BackgroundCells / 2) + 1;
        Dataset big;
        big.setColumnCount(2);
        big.setHeader({ QStringLiteral("a"), QStringLiteral("b") });
        big.setRowCount(rows);
        for (int r : { 0, rows / 2 - 1, rows / 2, rows - 1 })
            big.setValue(r, 1, QStringLiteral("Hit %1").arg(r));
        DataTableView view;
        view.setDataset(big);
        DataTableModel* model = view.model();
        model->setFilter(DataTableModel::FilterRowData, QStringLiteral("zz"));
        QVERIFY(model->isFiltering());
        QCOMPARE(model->rowCount(), rows); // unfiltered until the result is in
        // Lets that filter finish and post its result, which must then be dropped.
        QThread::msleep(300);
        model->setFilter(DataTableModel::FilterRowData, QStringLiteral("hIT"));
        QTRY_VERIFY(!model->isFiltering());
        QCOMPARE(shownRows(*model), (QList<int> { 1, rows / 2, rows / 2 + 1, rows }));
        QCOMPARE(view.shownCountLabel()->text(), QStringLiteral("4 of %1 rows").arg(rows));

        model->setFilter(DataTableModel::FilterColumnData, QStringLiteral("hit"));
        QTRY_VERIFY(!model->isFiltering());
        QCOMPARE(shownColumns(*model), QStringList { "b" });
        // A new dataset while a filter is being worked out drops the old result.
        model->setFilter(DataTableModel::FilterRowData, QStringLiteral("hit 0"));
        model->setDataset(makeDataset({ "a" }, { { "hit 0" }, { "no" } }));
        QCOMPARE(shownRows(*model), QList<int> { 1 });
        QTest::qWait(50);
        QCOMPARE(shownRows(*model), QList<int> { 1 });
    }

    void filterFromTheViewControls()
    {
        DataTableView view;
        view.setDataset(makeDataset({ "a", "b" }, { { "x", "1" }, { "y", "2" } }));
        view.filterModeCombo()->setCurrentIndex(DataTableModel::FilterRowData);
        QTest::keyClicks(view.filterEdit(), QStringLiteral("Y"));
        QCOMPARE(view.model()->rowCount(), 1);
        QCOMPARE(view.model()->data(view.model()->index(0, 1)).toString(), QStringLiteral("2"));
        QCOMPARE(WindowSettings::instance().filterDataIndex(), int(DataTableModel::FilterRowData));
        view.filterEdit()->clear();
        QCOMPARE(view.model()->rowCount(), 2);
    }

    void whitespaceView()
    {
        DataTableView view;
        view.setDataset(makeDataset({ "a b" }, { { " x\ty " } }));
        const QModelIndex cell = view.model()->index(0, 0);
        QCOMPARE(cell.data().toString(), QStringLiteral(" x\ty "));
        view.whitespaceButton()->click();
        QCOMPARE(cell.data().toString(), QStringLiteral("\u00B7x\u2192y\u00B7"));
        QCOMPARE(
            view.model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("a\u00B7b"));
    }

    void verificationColoursAndTips()
    {
        Dataset data = makeDataset({ "a", "b" }, { { "1", "2" }, { "3", "4" } });
        data.verification().cellStatus.insert({ 0, 1 }, 2);
        data.verification().cellMessages.insert({ 0, 1 }, { "too big", "not even" });
        data.verification().cellStatus.insert({ 1, 0 }, 0);
        DataTableModel model;
        model.setDataset(data);
        const WindowSettings& settings = WindowSettings::instance();
        QCOMPARE(model.index(0, 1).data(Qt::BackgroundRole).value<QColor>(),
            settings.verifyFailErrorColor());
        QCOMPARE(model.index(0, 1).data(Qt::ToolTipRole).toString(),
            QStringLiteral("too big\nnot even"));
        QCOMPARE(model.index(1, 0).data(Qt::BackgroundRole).value<QColor>(),
            settings.verifyFailInfoColor());
        QVERIFY(!model.index(0, 0).data(Qt::BackgroundRole).isValid());
        // Filtering keeps each colour on its own cell.
        model.setFilter(DataTableModel::FilterColumnName, QStringLiteral("b"));
        QCOMPARE(model.index(0, 0).data(Qt::BackgroundRole).value<QColor>(),
            settings.verifyFailErrorColor());
    }

    void rowHeightFollowsThePaddingPreference()
    {
        DataTableView view;
        const int before = view.tableView()->verticalHeader()->defaultSectionSize();
        WindowSettings::instance().setDataFontVerticalPadding(30);
        view.applyPreferences();
        QCOMPARE(view.tableView()->verticalHeader()->defaultSectionSize(), before + 20);
        WindowSettings::instance().setDataFontVerticalPadding(10);
    }

    void characterFrequencies()
    {
        CharacterFrequencyModel model;
        model.setDataset(makeDataset({ "a" }, { { "aab" }, { "b a" }, { "\u20AC" } }));
        QCOMPARE(model.rowCount(), 4);
        QCOMPARE(model.total(), qint64(7));
        QCOMPARE(model.index(0, 0).data().toString(), QStringLiteral("a"));
        QCOMPARE(model.index(0, 2).data().toString(), QStringLiteral("3"));
        QCOMPARE(model.index(1, 0).data().toString(), QStringLiteral("b"));
        // Ties go by code point: the space before the euro sign, shown visibly.
        QCOMPARE(model.index(2, 0).data().toString(), QStringLiteral("\u00B7"));
        QCOMPARE(model.index(2, 1).data().toString(), QStringLiteral("U+0020"));
        QCOMPARE(model.index(3, 1).data().toString(), QStringLiteral("U+20AC"));
    }

    // A long id at the bottom of a big table shows whole at once; a long
    // value elsewhere widens its column once scrolled to, and a column the
    // user sized keeps the width given.
    void columnsFitLongValuesWhereverTheyAre()
    {
        Dataset data;
        data.setColumnCount(2);
        data.setHeader({ QStringLiteral("id"), QStringLiteral("note") });
        for (int r = 0; r < 5000; ++r)
            data.appendRow({ QString::number(r), QStringLiteral("x") });
        const QString longId = QStringLiteral("12345678901234567890");
        const QString longNote = QStringLiteral("a note much longer than any other");
        data.setValue(4999, 0, longId);
        data.setValue(2513, 1, longNote);
        DataTableView view;
        QVERIFY(showTable(view, data, QSize(900, 300)));
        QTableView* table = view.tableView();
        const QFontMetrics cell(table->font());
        QVERIFY(table->columnWidth(0) >= cell.horizontalAdvance(longId));
        QVERIFY(table->columnWidth(1) < cell.horizontalAdvance(longNote));

        table->horizontalHeader()->resizeSection(0, 60);
        table->scrollTo(view.model()->index(2513, 1));
        QTRY_VERIFY(table->columnWidth(1) >= cell.horizontalAdvance(longNote));
        QCOMPARE(table->columnWidth(0), 60);
    }

    void headerClickOrdersTheViewOnly_data()
    {
        QTest::addColumn<int>("rows");
        QTest::newRow("small, in place") << 4;
        QTest::newRow("big, in the background") << 600000;
    }

    // A click on a header orders the rows by that column (numbers as
    // numbers), a second click the other way; a filter keeps the order, the
    // dataset is never changed, and showing another item's table drops it.
    void headerClickOrdersTheViewOnly()
    {
        QFETCH(int, rows);
        Dataset data;
        data.setColumnCount(2);
        data.setHeader({ QStringLiteral("id"), QStringLiteral("name") });
        // Ids counting down, so that both orders differ from the table's.
        for (int r = 0; r < rows; ++r)
            data.appendRow({ QString::number((rows - r) * 9), QStringLiteral("n%1").arg(r) });
        DataTableView view;
        QVERIFY(showTable(view, data, QSize(600, 400)));
        DataTableModel* model = view.model();
        auto first = [model] { return model->data(model->index(0, 0)).toString(); };
        QHeaderView* header = view.tableView()->horizontalHeader();
        const QPoint idHeader(header->sectionViewportPosition(0) + 10, header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, idHeader);
        QTRY_COMPARE(first(), QStringLiteral("9"));
        QCOMPARE(model->sourceRow(0), rows - 1);
        QCOMPARE(header->sortIndicatorOrder(), Qt::AscendingOrder);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, idHeader);
        QTRY_COMPARE(first(), QString::number(rows * 9));
        QCOMPARE(data.value(0, 0), QString::number(rows * 9));
        QVERIFY(model->dataset().sharesStorageWith(data));

        // Rows holding "18": 18 and, in a big table, 180, 1188 and so on,
        // still largest first.
        view.filterModeCombo()->setCurrentIndex(DataTableModel::FilterRowData);
        view.filterEdit()->setText(QStringLiteral("18"));
        QTRY_VERIFY(!model->isFiltering() && model->rowCount() < rows);
        QVERIFY(model->rowCount() >= 1);
        for (int r = 1; r < model->rowCount(); ++r)
            QVERIFY(model->data(model->index(r - 1, 0)).toString().toLongLong()
                > model->data(model->index(r, 0)).toString().toLongLong());

        view.clearFilter();
        QTRY_VERIFY(!model->isFiltering());
        QCOMPARE(model->sortColumn(), -1);
        QCOMPARE(first(), QString::number(rows * 9));
        QCOMPARE(model->sourceRow(rows - 1), rows - 1);
    }

    // Clearing a filter goes back to the whole table at the row the user
    // was on, not to its top.
    void clearingAFilterKeepsTheRow()
    {
        Dataset data;
        data.setColumnCount(1);
        data.setHeader({ QStringLiteral("name") });
        for (int r = 0; r < 5000; ++r)
            data.appendRow(
                { r == 3210 ? QStringLiteral("needle") : QStringLiteral("hay %1").arg(r) });
        DataTableView view;
        QVERIFY(showTable(view, data, QSize(500, 300)));
        view.filterModeCombo()->setCurrentIndex(DataTableModel::FilterRowData);
        view.filterEdit()->setText(QStringLiteral("needle"));
        QTRY_COMPARE(view.model()->rowCount(), 1);
        view.tableView()->setCurrentIndex(view.model()->index(0, 0));
        view.filterEdit()->clear();
        QTRY_COMPARE(view.model()->rowCount(), 5000);
        QTableView* table = view.tableView();
        QCOMPARE(table->currentIndex().row(), 3210);
        const int top = table->rowAt(0);
        const int bottom = table->rowAt(table->viewport()->height() - 1);
        QVERIFY2(top <= 3210 && 3210 <= bottom,
            qPrintable(QStringLiteral("%1-%2").arg(top).arg(bottom)));
    }

    void scrollButtons()
    {
        Dataset data;
        data.setColumnCount(60);
        data.setRowCount(5000);
        DataTableView view;
        QVERIFY(showTable(view, data, QSize(500, 400)));
        QScrollBar* vertical = view.tableView()->verticalScrollBar();
        QScrollBar* horizontal = view.tableView()->horizontalScrollBar();
        view.scrollButton(DataTableView::ScrollBottom)->click();
        QCOMPARE(vertical->value(), vertical->maximum());
        view.scrollButton(DataTableView::ScrollUp)->click();
        QCOMPARE(vertical->value(), vertical->maximum() - vertical->pageStep());
        view.scrollButton(DataTableView::ScrollTop)->click();
        QCOMPARE(vertical->value(), 0);
        view.scrollButton(DataTableView::ScrollDown)->click();
        QCOMPARE(vertical->value(), vertical->pageStep());
        view.scrollButton(DataTableView::ScrollAllRight)->click();
        QCOMPARE(horizontal->value(), horizontal->maximum());
        view.scrollButton(DataTableView::ScrollLeft)->click();
        QCOMPARE(horizontal->value(), horizontal->maximum() - horizontal->pageStep());
        view.scrollButton(DataTableView::ScrollAllLeft)->click();
        QCOMPARE(horizontal->value(), 0);
        view.scrollButton(DataTableView::ScrollRight)->click();
        QCOMPARE(horizontal->value(), horizontal->pageStep());
    }
};

QTEST_MAIN(TestDataTable)
#include "tst_datatable.moc"
