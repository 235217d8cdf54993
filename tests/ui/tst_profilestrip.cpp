// The strip of column profiles over the data grid: worked out off the
// window's thread, lined up with the grid's columns, and filtering the grid
// to the rows of a clicked bar.

#include "tests/graph/testnodes.h"
#include "ui/datatablemodel.h"
#include "ui/datatableview.h"
#include "ui/profilestrip.h"
#include "ui/windowsettings.h"
#include "uitesthelpers.h"

#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <QToolButton>

class TestProfileStrip : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void profilesEveryColumnOffTheWindowThread();
    void barFiltersTheGrid_data();
    void barFiltersTheGrid();
    void newTableWhileProfilingShowsTheNewest();
    void stripCanBeHidden();
    void barFilterFollowsItsColumn();

private:
    bool showProfiled(DataTableView& view, const Dataset& data);

    QTemporaryDir m_settingsDir;
};

namespace {

// Five rows: a text column with a repeated value, numbers 0 to 40, dates
// over ten days and zip codes whose leading zeros a number conversion drops.
Dataset people()
{
    return makeDataset({ "city", "amount", "joined", "zip" },
        { { "Paris", "0", "2024-01-01", "01234" }, { "Rome", "10", "2024-01-03", "02345" },
            { "Paris", "20", "2024-01-05", "12345" }, { "Oslo", "30", "2024-01-08", "03456" },
            { "Paris", "40", "2024-01-11", "04567" } });
}

} // namespace

void TestProfileStrip::initTestCase()
{
    isolateSettings(m_settingsDir);
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    WindowSettings::instance().setDateFormats(QStringLiteral("yyyy-MM-dd"));
}

bool TestProfileStrip::showProfiled(DataTableView& view, const Dataset& data)
{
    view.resize(900, 500);
    view.show();
    if (!QTest::qWaitForWindowExposed(&view))
        return false;
    QSignalSpy profiled(view.profileStrip(), &ProfileStrip::profiled);
    view.setDataset(data);
    return view.profileStrip()->isReady() || profiled.wait(5000);
}

void TestProfileStrip::profilesEveryColumnOffTheWindowThread()
{
    DataTableView view;
    QVERIFY(showProfiled(view, people()));
    ProfileStrip* strip = view.profileStrip();
    QCOMPARE(strip->profiles().size(), 4);
    const QString city = strip->columnSummary(0);
    QVERIFY2(city.contains("Distinct: 3"), qPrintable(city));
    QVERIFY(city.contains("'Paris' (3)"));
    QVERIFY(city.contains("Kinds: 5 text"));
    QVERIFY(strip->columnSummary(1).contains("Numbers from 0 to 40"));
    QVERIFY(strip->columnSummary(2).contains("Dates from 2024-01-01 to 2024-01-11"));
    QVERIFY2(
        strip->columnSummary(3).contains("leading zeros"), qPrintable(strip->columnSummary(3)));
    // Each column's chart stands under its own column of the grid.
    QHeaderView* header = view.tableView()->horizontalHeader();
    for (int c = 0; c < 4; ++c) {
        const QRect bar = strip->barRect(c, 0);
        QVERIFY(!bar.isEmpty());
        const QPoint inGrid
            = view.tableView()->viewport()->mapFromGlobal(strip->mapToGlobal(bar.center()));
        QCOMPARE(header->logicalIndexAt(inGrid.x()), c);
    }
}

void TestProfileStrip::barFiltersTheGrid_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("bar");
    QTest::addColumn<QList<int>>("rows");
    QTest::addColumn<QString>("description");
    QTest::newRow("most frequent value") << 0 << 0 << QList<int> { 1, 3, 5 } << "city = 'Paris'";
    QTest::newRow("value seen once") << 0 << 2 << QList<int> { 4 } << "city = 'Oslo'";
    // Twenty bins of 2 from 0 to 40: 10 falls in bin 5, 40 in the last.
    QTest::newRow("first bin") << 1 << 0 << QList<int> { 1 } << "amount from 0 to 2";
    QTest::newRow("middle bin") << 1 << 5 << QList<int> { 2 } << "amount from 10 to 12";
    QTest::newRow("last bin holds the greatest")
        << 1 << 19 << QList<int> { 5 } << "amount from 38 to 40";
    QTest::newRow("bin of dates") << 2 << 19 << QList<int> { 5 }
                                  << "joined from 2024-01-10 to 2024-01-11";
}

// A click on a bar shows only the rows it counts, with the grid's filter
// saying what is shown and how many rows; typing in the filter replaces it.
void TestProfileStrip::barFiltersTheGrid()
{
    QFETCH(int, column);
    QFETCH(int, bar);
    QFETCH(QList<int>, rows);
    QFETCH(QString, description);
    DataTableView view;
    QVERIFY(showProfiled(view, people()));
    const QRect hit = view.profileStrip()->barRect(column, bar);
    QVERIFY(!hit.isEmpty());
    QTest::mouseClick(view.profileStrip(), Qt::LeftButton, Qt::NoModifier, hit.center());
    DataTableModel* model = view.model();
    QList<int> shown;
    for (int r = 0; r < model->rowCount(); ++r)
        shown << model->headerData(r, Qt::Vertical).toInt();
    QCOMPARE(shown, rows);
    QCOMPARE(view.filterEdit()->text(), description);
    QCOMPARE(view.shownCountLabel()->text(), QStringLiteral("%1 of 5 rows").arg(rows.size()));
    view.filterEdit()->clear();
    QCOMPARE(model->rowCount(), 5);
    QVERIFY(view.shownCountLabel()->text().isEmpty());
}

// A table that comes while another is profiled is profiled next; the
// profiles shown are always those of the table shown.
void TestProfileStrip::newTableWhileProfilingShowsTheNewest()
{
    DataTableView view;
    QVERIFY(showProfiled(view, people()));
    QSignalSpy profiled(view.profileStrip(), &ProfileStrip::profiled);
    view.setDataset(makeDataset({ "a" }, { { "1" } }));
    const Dataset last = makeDataset({ "x", "y" }, { { "u", "v" }, { "u", "w" } });
    view.setDataset(last);
    QVERIFY(!view.profileStrip()->isReady());
    QTRY_VERIFY(view.profileStrip()->isReady());
    QCOMPARE(view.profileStrip()->profiles().size(), 2);
    QVERIFY(view.profileStrip()->columnSummary(0).contains("'u' (2)"));
    QCOMPARE(profiled.count(), 1);
}

void TestProfileStrip::stripCanBeHidden()
{
    DataTableView view;
    QVERIFY(showProfiled(view, people()));
    QVERIFY(view.profileStrip()->isVisible());
    view.profileButton()->click();
    QVERIFY(!view.profileStrip()->isVisible());
    QVERIFY(!WindowSettings::instance().showProfileStrip());
    // Hidden, it works nothing out; shown again, it profiles the table.
    view.setDataset(makeDataset({ "k" }, { { "1" }, { "2" } }));
    QVERIFY(!view.profileStrip()->isReady());
    view.profileButton()->click();
    QTRY_VERIFY(view.profileStrip()->isReady());
    QCOMPARE(view.profileStrip()->profiles().size(), 1);
    WindowSettings::instance().setShowProfileStrip(true);
    // A pane too short for the strip and a few rows leaves the rows to the grid.
    view.resize(900, 200);
    QTRY_VERIFY(!view.profileStrip()->isVisible());
    view.resize(900, 500);
    QTRY_VERIFY(view.profileStrip()->isVisible());
}

// A re-run that keeps the column keeps the choice of its bar; one that takes
// the column away ends it, its text with it. The same table shown again is
// not profiled again.
void TestProfileStrip::barFilterFollowsItsColumn()
{
    DataTableView view;
    QVERIFY(showProfiled(view, people()));
    QSignalSpy profiled(view.profileStrip(), &ProfileStrip::profiled);
    QTest::mouseClick(view.profileStrip(), Qt::LeftButton, Qt::NoModifier,
        view.profileStrip()->barRect(0, 0).center());
    QCOMPARE(view.model()->rowCount(), 3);
    view.setDataset(view.model()->dataset());
    QCOMPARE(view.model()->rowCount(), 3);
    QVERIFY(view.profileStrip()->isReady());
    QCOMPARE(profiled.count(), 0);
    Dataset renamed = people();
    renamed.setColumnName(0, QStringLiteral("town"));
    view.setDataset(renamed);
    QCOMPARE(view.model()->rowCount(), 5);
    QVERIFY(view.filterEdit()->text().isEmpty());
    QVERIFY(view.shownCountLabel()->text().isEmpty());
}

QTEST_MAIN(TestProfileStrip)
#include "tst_profilestrip.moc"
