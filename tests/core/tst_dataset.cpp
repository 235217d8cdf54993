#include "core/dataset.h"
#include "core/values.h"

#include <QtTest>

namespace {

Dataset table(const QStringList& header, const QList<QStringList>& rows)
{
    Dataset d;
    d.setColumnCount(header.isEmpty() ? rows.value(0).size() : header.size());
    if (!header.isEmpty())
        d.setHeader(header);
    for (const QStringList& r : rows)
        d.appendRow(r);
    return d;
}

QList<QStringList> rowsOf(const Dataset& d)
{
    QList<QStringList> rows;
    for (const Dataset::Row& r : d.rowLists())
        rows.append(r);
    return rows;
}

} // namespace

class TestDataset : public QObject
{
    Q_OBJECT

private Q_SLOTS:

    void columnNames()
    {
        Dataset d = table({ "a", "", "c" }, { { "1", "2", "3" } });
        QCOMPARE(d.columnName(1), QStringLiteral("2"));
        QCOMPARE(d.columnNames(), (QStringList { "a", "2", "c" }));
        QCOMPARE(d.columnIndexByName("c"), 2);
        QCOMPARE(d.columnIndexByName("2"), 1);
        QCOMPARE(d.columnIndexByName("C"), -1);

        Dataset noHeader = table({}, { { "x", "y", "z" } });
        QCOMPARE(noHeader.columnIndexByName("3"), 2);
        QCOMPARE(noHeader.columnNames(), (QStringList { "1", "2", "3" }));
    }

    void setColumnCount()
    {
        Dataset d = table({ "a", "b", "c" }, { { "1", "2", "3" } });
        d.setColumnCount(5);
        QCOMPARE(d.columnNames(), (QStringList { "a", "b", "c", "3", "4" }));
        QCOMPARE(d.row(0), (QStringList { "1", "2", "3", "", "" }));
        QCOMPARE(d.columnIds().size(), 5);
        d.setColumnCount(2);
        QCOMPARE(d.columnNames(), (QStringList { "a", "b" }));
        QCOMPARE(d.row(0), (QStringList { "1", "2" }));
        d.setColumnCount(0);
        QCOMPARE(d.columnCount(), 0);
        QCOMPARE(d.rowCount(), 0);
        QVERIFY(!d.hasHeader());
    }

    void removeOnlyColumnClearsEverything()
    {
        Dataset d = table({ "a" }, { { "1" }, { "2" } });
        d.removeColumn(0);
        QCOMPARE(d.columnCount(), 0);
        QCOMPARE(d.rowCount(), 0);
        QVERIFY(!d.hasHeader());
        d.removeColumn(3); // out of range: ignored
        QCOMPARE(d.columnCount(), 0);
    }

    void appendRowCutsOrFills()
    {
        Dataset d;
        d.setColumnCount(2);
        d.appendRow({ "x", "y", "z", "w" });
        QCOMPARE(d.row(0), (QStringList { "x", "y" }));
        d.appendRow({ "only" });
        QCOMPARE(d.row(1), (QStringList { "only", "" }));
        QCOMPARE(d.rowCount(), 2);
    }

    void addRow_data()
    {
        QTest::addColumn<QStringList>("values");
        QTest::addColumn<bool>("trim");
        QTest::addColumn<bool>("normalize");
        QTest::addColumn<bool>("skipEmpty");
        QTest::addColumn<QStringList>("stored"); // empty list: row not added
        QTest::newRow("as is") << QStringList { " a ", "b\tc" } << false << false << false
                               << QStringList { " a ", "b\tc" };
        QTest::newRow("trim") << QStringList { " a ", "b\tc" } << true << false << false
                              << QStringList { "a", "b\tc" };
        QTest::newRow("normalize") << QStringList { " a\r\n", "b\tc" } << false << true << false
                                   << QStringList { " a ", "b c" };
        QTest::newRow("both") << QStringList { " a\r\n", "b\tc" } << true << true << false
                              << QStringList { "a", "b c" };
        QTest::newRow("empty skipped")
            << QStringList { " ", "" } << true << false << true << QStringList {};
        QTest::newRow("blank kept without trim")
            << QStringList { " ", "" } << false << false << true << QStringList { " ", "" };
    }
    void addRow()
    {
        QFETCH(QStringList, values);
        QFETCH(bool, trim);
        QFETCH(bool, normalize);
        QFETCH(bool, skipEmpty);
        QFETCH(QStringList, stored);
        Dataset d;
        d.setColumnCount(2);
        d.addRow(values, trim, normalize, skipEmpty);
        if (stored.isEmpty()) {
            QCOMPARE(d.rowCount(), 0);
        } else {
            QCOMPARE(d.rowCount(), 1);
            QCOMPARE(d.row(0), stored);
        }
    }

    void addRowWidens()
    {
        Dataset d;
        d.addRow({ "a", "b" });
        d.addRow({ "c", "d", "e" });
        QCOMPARE(d.columnCount(), 3);
        QCOMPARE(d.row(0), (QStringList { "a", "b", "" }));
        QCOMPARE(d.row(1), (QStringList { "c", "d", "e" }));
    }

    void headerRoundTrip()
    {
        const Dataset original = table({ "a", "b", "c" }, { { "1", "2", "3" }, { "4", "5", "6" } });
        Dataset d = original;
        d.setHasHeader(false);
        QVERIFY(!d.hasHeader());
        QCOMPARE(d.rowCount(), 3);
        QCOMPARE(d.row(0), (QStringList { "a", "b", "c" }));
        QCOMPARE(d.columnNames(), (QStringList { "1", "2", "3" }));
        d.setHasHeader(true);
        QVERIFY(d.equals(original));
        QCOMPARE(rowsOf(d), rowsOf(original));
    }

    void setColumnName()
    {
        Dataset d = table({}, { { "1", "2" } });
        d.setColumnName(1, "second");
        QVERIFY(d.hasHeader());
        QCOMPARE(d.columnNames(), (QStringList { "1", "second" }));
        d.setColumnName(0, "first");
        QCOMPARE(d.columnNames(), (QStringList { "first", "second" }));
    }

    void pooling_data()
    {
        QTest::addColumn<bool>("pooling");
        QTest::newRow("memory") << true;
        QTest::newRow("speed") << false;
    }
    void pooling()
    {
        QFETCH(bool, pooling);
        Dataset d;
        d.setPooling(pooling);
        d.setColumnCount(2);
        // Build the texts separately so that only the pool can make them share.
        d.appendRow({ QString("ab") + QString("c"), QString("x") });
        d.appendRow({ QString("a") + QString("bc"), QString("x") });
        d.setValue(1, 1, QString("a") + QString("bc"));
        QCOMPARE(d.value(0, 0), QStringLiteral("abc"));
        QCOMPARE(d.value(1, 0), QStringLiteral("abc"));
        QCOMPARE(d.value(0, 0).constData() == d.value(1, 0).constData(), pooling);
        // Pools are per column: the same text in another column is not shared.
        QVERIFY(d.value(1, 1).constData() != d.value(0, 0).constData());
        // Letting the look-up tables go keeps the values, and a value added
        // later still finds its text.
        d.dropPools();
        d.appendRow({ QString("ab") + QString("c"), QString() });
        QCOMPARE(d.value(2, 0), QStringLiteral("abc"));
        QCOMPARE(d.value(2, 0).constData() == d.value(0, 0).constData(), pooling);
        QCOMPARE(d.value(0, 0).constData() == d.value(1, 0).constData(), pooling);
    }

    // A large table in a new order: the column of many long-ish texts is
    // copied a stretch at a time into blocks of its own in that order, a
    // small plain one keeps sharing its texts, a coded one its distinct
    // values; every cell is where the order puts it.
    void newOrderOfALargeTable()
    {
        constexpr int Rows = 1050000;
        const QString padding(58, QLatin1Char('-'));
        TextColumn large(false);
        TextColumn small(false);
        TextColumn coded(true);
        for (int r = 0; r < Rows; ++r) {
            large.append(QString::number(r) + padding);
            small.append(QString::number(r));
            coded.append(QString::number(r % 20));
        }
        Dataset data;
        data.setColumns({ large, small, coded }, Rows);
        QVector<int> order(Rows);
        for (int i = 0; i < Rows; ++i)
            order[i] = int((qint64(i) * 7919) % Rows);
        data.selectRows(order);
        QCOMPARE(data.rowCount(), Rows);
        QString scratch;
        for (int i = 0; i < Rows; ++i) {
            const QString n = QString::number(order.at(i));
            if (data.text(i, 0, scratch) != n + padding || data.value(i, 1) != n
                || data.value(i, 2) != QString::number(order.at(i) % 20))
                QFAIL(qPrintable(QStringLiteral("row %1 is not source row %2").arg(i).arg(n)));
        }
        QVERIFY(data.column(0).inReadOrder(0, Rows));
        QVERIFY(!data.column(1).inReadOrder(0, Rows));
        QVERIFY(data.column(2).isCoded());
    }

    void copiesShareColumnsUntilChanged()
    {
        Dataset d = table({ "a", "b" }, { { "1", "2" }, { "3", "4" } });
        Dataset copy = d;
        QVERIFY(copy.sharesStorageWith(d));
        copy.setValue(0, 0, "changed");
        QCOMPARE(d.value(0, 0), QStringLiteral("1"));
        QCOMPARE(copy.value(0, 0), QStringLiteral("changed"));
        // Only the changed column was copied.
        QVERIFY(copy.column(1).sharesStorageWith(d.column(1)));
        QVERIFY(!copy.column(0).sharesStorageWith(d.column(0)));
        QVERIFY(!copy.sharesStorageWith(d));
    }

    void identities()
    {
        Dataset d = table({ "a", "b", "c" }, { { "1", "2", "3" } });
        d.setColumnIds({ ColumnId(), ColumnId(3, 1), ColumnId() });
        d.assignColumnIds(7);
        QCOMPARE(d.columnIds(), (QVector<ColumnId> { { 7, 1 }, { 3, 1 }, { 7, 2 } }));
        QCOMPARE(d.columnIndex(ColumnId(3, 1)), 1);
        QCOMPARE(d.columnIndex(ColumnId(7, 2)), 2);
        QCOMPARE(d.columnIndex(ColumnId(9, 9)), -1);
        QCOMPARE(d.columnIndex(ColumnId()), -1);
        d.removeColumn(0);
        QCOMPARE(d.columnIndex(ColumnId(3, 1)), 0);
        d.insertColumn(0, "new");
        QCOMPARE(d.columnIndex(ColumnId(3, 1)), 1);
        QCOMPARE(d.columnNames(), (QStringList { "new", "b", "c" }));
        QCOMPARE(d.columnId(0), ColumnId());
        QCOMPARE(d.columnId(9), ColumnId());
    }

    void makeIdsUnique()
    {
        Dataset d = table({}, { { "1", "2", "3" } });
        d.setColumnIds({ { 3, 1 }, { 3, 1 }, { 4, 1 } });
        d.makeColumnIdsUnique();
        QCOMPARE(d.columnIds(), (QVector<ColumnId> { { 3, 1 }, ColumnId(), { 4, 1 } }));
    }

    void idVariantForm()
    {
        const ColumnId id(5, 2);
        QCOMPARE(ColumnId::fromVariant(id.toVariant()), id);
        QCOMPARE(ColumnId::fromVariant(QVariant()), ColumnId());
        QCOMPARE(ColumnId::fromVariant(QVariantList { 1, 2, 3 }), ColumnId());
    }

    void equalsIgnoresIdentities()
    {
        Dataset a = table({ "x", "y" }, { { "1", "2" } });
        Dataset b = table({ "x", "y" }, { { "1", "2" } });
        a.assignColumnIds(1);
        b.assignColumnIds(2);
        QVERIFY(a.equals(b));
        b.setValue(0, 1, "3");
        QVERIFY(!a.equals(b));
        Dataset c = table({ "x", "z" }, { { "1", "2" } });
        QVERIFY(!a.equals(c));
    }

    void emptyRowsAndColumns()
    {
        Dataset d = table({ "a", "b", "c" },
            { { "", "1", "" }, { "", "", "" }, { "", "2", "" }, { "", "", "" } });
        QCOMPARE(d.emptyColumns(), (QVector<int> { 0, 2 }));
        QCOMPARE(d.removeEmptyRows(), 2);
        QCOMPARE(d.rowCount(), 2);
        QCOMPARE(d.removeEmptyColumns(), 2);
        QCOMPARE(d.columnNames(), QStringList { "b" });
        QCOMPARE(d.row(1), QStringList { "2" });
    }

    void moveColumn()
    {
        Dataset d = table({ "a", "b", "c" }, { { "1", "2", "3" } });
        d.moveColumn(0, 2);
        QCOMPARE(d.columnNames(), (QStringList { "b", "c", "a" }));
        QCOMPARE(d.row(0), (QStringList { "2", "3", "1" }));
        d.moveColumn(0, 7);
        QCOMPARE(d.columnNames(), (QStringList { "b", "c", "a" }));
    }

    void setRowCount()
    {
        Dataset d;
        d.setRowCount(3); // no columns: nothing happens
        QCOMPARE(d.rowCount(), 0);
        d.setColumnCount(2);
        d.setRowCount(3);
        QCOMPARE(d.rowCount(), 3);
        QCOMPARE(d.row(2), (QStringList { "", "" }));
        d.setValue(1, 0, "x");
        QCOMPARE(d.value(2, 0), QString(""));
        d.setRowCount(1);
        QCOMPARE(d.rowCount(), 1);
    }

    void cellStepping()
    {
        Dataset d = table({}, { { "a", "b" }, { "c", "d" } });
        int row = 0, column = 1;
        QVERIFY(d.nextCell(row, column));
        QCOMPARE(row, 1);
        QCOMPARE(column, 0);
        QVERIFY(d.nextCell(row, column));
        QVERIFY(!d.nextCell(row, column));
        QVERIFY(d.previousCell(row, column));
        QVERIFY(d.previousCell(row, column));
        QCOMPARE(row, 0);
        QCOMPARE(column, 1);
        QVERIFY(d.previousCell(row, column));
        QVERIFY(!d.previousCell(row, column));
        Dataset empty;
        QVERIFY(!empty.nextCell(row, column));
    }

    void rowContains()
    {
        Dataset d = table({}, { { "Apple", "pie" } });
        QVERIFY(d.rowContains(0, "", Qt::CaseSensitive));
        QVERIFY(d.rowContains(0, "ppl", Qt::CaseSensitive));
        QVERIFY(!d.rowContains(0, "apple", Qt::CaseSensitive));
        QVERIFY(d.rowContains(0, "apple", Qt::CaseInsensitive));
    }

    void clipboardText()
    {
        Dataset d = table({ "name", "note" }, { { "a,b", "say \"hi\"" }, { "x", "line\nbreak" } });
        QCOMPARE(d.toDelimitedText(','),
            QStringLiteral("name,note\r\n\"a,b\",\"say \"\"hi\"\"\"\r\nx,\"line\nbreak\""));
        QCOMPARE(d.toDelimitedText('\t'),
            QStringLiteral("name\tnote\r\na,b\t\"say \"\"hi\"\"\"\r\nx\t\"line\nbreak\""));
    }

    void numericColumns_data()
    {
        QTest::addColumn<QStringList>("values");
        QTest::addColumn<bool>("numeric");
        QTest::newRow("numbers") << QStringList { "1", " 2.5", "", "-3" } << true;
        QTest::newRow("nan allowed") << QStringList { "1", "NaN" } << true;
        QTest::newRow("only nan") << QStringList { "nan" } << false;
        QTest::newRow("currency") << QStringList { "$1", "$2" } << true;
        QTest::newRow("text") << QStringList { "1", "x" } << false;
        QTest::newRow("all empty") << QStringList { "", "" } << false;
    }
    void numericColumns()
    {
        QFETCH(QStringList, values);
        QFETCH(bool, numeric);
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        Dataset d;
        d.setColumnCount(2);
        for (const QString& v : values)
            d.appendRow({ v, "text" });
        QCOMPARE(d.isNumericColumn(0, true, 100), numeric);
        QCOMPARE(d.numericColumns(5, true), numeric ? QVector<int> { 0 } : QVector<int> {});
    }

    void dateColumns()
    {
        Dataset d;
        d.setColumnCount(2);
        d.appendRow({ "13/1/2024", "1/2/2024" });
        d.appendRow({ "", "2/3/2024" });
        d.appendRow({ "2/1/2024", "x" });
        const QStringList formats = { "M/d/yyyy", "d/M/yyyy" };
        QString best;
        QVERIFY(d.isDateColumn(0, formats, &best));
        QCOMPARE(best, QStringLiteral("d/M/yyyy"));
        QVERIFY(!d.isDateColumn(1, formats, &best));
        QCOMPARE(best, QStringLiteral("M/d/yyyy"));
        Dataset empty;
        empty.setColumnCount(1);
        QVERIFY(!empty.isDateColumn(0, formats));
    }
};

QTEST_GUILESS_MAIN(TestDataset)
#include "tst_dataset.moc"
