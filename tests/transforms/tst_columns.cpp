// Column structure transforms and Offset, each run through a real
// TransformNode fed by an in-memory source item.
#include "graph/connection.h"
#include "tests/graph/testnodes.h"
#include "transforms/transformrownum.h"

#include <QStandardPaths>
#include <QTest>

namespace {

// A source item, one transform of the given type below it, and helpers to
// set its options and run it.
struct Chain
{
    GraphScene scene;
    SourceNode* source = nullptr;
    TransformNode* node = nullptr;

    Chain(const QString& typeKey, const Dataset& data)
    {
        source = new SourceNode(data);
        node = new TransformNode(Catalogue::instance().create(typeKey));
        scene.insertNode(source);
        scene.insertNode(node);
        node->setPos(0, 100);
        // Processed first, so the options can refer to columns by identity.
        source->process(false, false);
        scene.insertConnection(source, node);
        node->upstreamChanged();
    }
    Transform* transform() const { return node->transform(); }
    TransformParameter* param(const char* key) const
    {
        return transform()->parameter(QString::fromLatin1(key));
    }
    void set(const char* key, const QVariant& value) { param(key)->setValue(value); }
    void setColumns(const char* key, const QVector<int>& positions)
    {
        ColumnRefList refs;
        for (int c : positions)
            refs.append(param(key)->referenceAt(c));
        set(key, QVariant::fromValue(refs));
    }
    const Dataset& run()
    {
        scene.process(GraphScene::RunAll, true);
        return node->dataset();
    }
    QString summary() const { return transform()->resultSummary(); }
    QStringList warnings() const { return node->warnings(); }
    // Runs a second item restored from this one's saved options, as a
    // document or an undo step would recreate it.
    Dataset runRestoredCopy()
    {
        auto* copy = new TransformNode(nullptr);
        copy->restoreOptions(node->saveOptions());
        scene.insertNode(copy);
        copy->setPos(200, 100);
        scene.insertConnection(source, copy);
        copy->upstreamChanged();
        scene.process(GraphScene::RunAll, true);
        return copy->dataset();
    }
};

QStringList columnValues(const Dataset& d, int column)
{
    QStringList values;
    for (int r = 0; r < d.rowCount(); ++r)
        values.append(d.value(r, column));
    return values;
}

Dataset numbered(const QStringList& values)
{
    Dataset d;
    d.setColumnCount(2);
    d.setHeader({QStringLiteral("V"), QStringLiteral("Other")});
    for (int r = 0; r < values.size(); ++r)
        d.appendRow({values.at(r), QString::number(r)});
    return d;
}

Dataset fourColumns()
{
    return makeDataset({"A", "B", "C", "D"}, {{"a1", "b1", "c1", "d1"}, {"a2", "b2", "c2", "d2"}});
}

} // namespace

using IntList = QVector<int>;

class TestColumns : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void rowNum_data();
    void rowNum();
    void rowNumDoesNotWrap();
    void concat_data();
    void concat();
    void copy_data();
    void copy();
    void rename_data();
    void rename();
    void reorder_data();
    void reorder();
    void reorderPlacesColumnsAddedUpstreamLater();
    void removeKeepsUncheckedStateAndNewColumns();
    void removeRefreshChecksEveryColumnOfNewUpstream();
    void newColAndClone();
    void savedOptionsGiveTheSameResult();
    void offset_data();
    void offset();
    void unsetOptions_data();
    void unsetOptions();
    void keywordSearch_data();
    void keywordSearch();
};

void TestColumns::rowNum_data()
{
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("increment");
    QTest::addColumn<int>("every");
    QTest::addColumn<int>("rows");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<QString>("summary");
    QTest::newRow("10 by 5 every 2") << 10 << 5 << 2 << 5
                                     << QStringList{"10", "10", "15", "15", "20"} << "5 rows numbered";
    QTest::newRow("counting down") << 2 << -1 << 1 << 4 << QStringList{"2", "1", "0", "-1"}
                                   << "4 rows numbered";
    QTest::newRow("every larger than rows") << 1 << 1 << 10 << 3 << QStringList{"1", "1", "1"}
                                            << "3 rows numbered";
    QTest::newRow("one row") << 7 << 3 << 1 << 1 << QStringList{"7"} << "1 row numbered";
    QTest::newRow("no rows") << 1 << 1 << 1 << 0 << QStringList{} << "0 rows numbered";
}

void TestColumns::rowNum()
{
    QFETCH(int, start);
    QFETCH(int, increment);
    QFETCH(int, every);
    QFETCH(int, rows);
    QFETCH(QStringList, expected);
    QFETCH(QString, summary);
    QStringList values;
    for (int r = 0; r < rows; ++r)
        values << QStringLiteral("x");
    Chain chain(QStringLiteral("Row_Num"), numbered(values));
    chain.set("New_Name", QStringLiteral("Num"));
    chain.set("Start_At", start);
    chain.set("Increment", increment);
    chain.set("Every", every);
    const Dataset& out = chain.run();
    QCOMPARE(out.columnNames(), (QStringList{"V", "Other", "Num"}));
    QCOMPARE(columnValues(out, 2), expected);
    QCOMPARE(chain.summary(), summary);
    QVERIFY(chain.warnings().isEmpty());
}

void TestColumns::rowNumDoesNotWrap()
{
    // The largest start and step over a large row index exceed 32 bits.
    QCOMPARE(TransformRowNum::numberOf(3000000, 999999999, 999999, 1),
             999999999LL + 3000000LL * 999999LL);
    QCOMPARE(TransformRowNum::numberOf(9, -5, -2, 4), -5LL - 2 * 2);
}

void TestColumns::concat_data()
{
    QTest::addColumn<QStringList>("row");
    QTest::addColumn<IntList>("columns");
    QTest::addColumn<QString>("delimiter");
    QTest::addColumn<bool>("keepEmpty");
    QTest::addColumn<bool>("autoName");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("summary");
    const QStringList aEmptyC{"a", "", "c"};
    QTest::newRow("empty skipped") << aEmptyC << IntList{0, 1, 2} << "," << false << true << "a,c"
                                   << "First + Middle + Last" << "Concatenated 3 cols";
    QTest::newRow("empty kept") << aEmptyC << IntList{0, 1, 2} << "," << true << true << "a,,c"
                                << "First + Middle + Last" << "Concatenated 3 cols";
    QTest::newRow("spaces are not empty") << QStringList{"a", " ", "c"} << IntList{0, 1, 2} << ","
                                          << false << true << "a, ,c" << "First + Middle + Last"
                                          << "Concatenated 3 cols";
    QTest::newRow("column order, not selection order")
        << aEmptyC << IntList{2, 0} << " " << false << true << "a c" << "First + Last"
        << "Concatenated 2 cols";
    QTest::newRow("empty delimiter, typed name") << aEmptyC << IntList{0, 2} << "" << false << false
                                                 << "ac" << "Joined" << "Concatenated 2 cols";
    QTest::newRow("all empty") << QStringList{"", "", ""} << IntList{0, 1} << "-" << false << true
                               << "" << "First + Middle" << "Concatenated 2 cols";
    QTest::newRow("one column") << aEmptyC << IntList{1} << "," << true << true << ""
                                << "Middle" << "Concatenated 1 col";
}

void TestColumns::concat()
{
    QFETCH(QStringList, row);
    QFETCH(IntList, columns);
    QFETCH(QString, delimiter);
    QFETCH(bool, keepEmpty);
    QFETCH(bool, autoName);
    QFETCH(QString, value);
    QFETCH(QString, name);
    QFETCH(QString, summary);
    Chain chain(QStringLiteral("Concat"), makeDataset({"First", "Middle", "Last"}, {row}));
    chain.setColumns("Columns", columns);
    chain.set("Delimiter", delimiter);
    chain.set("Keep_Empty", keepEmpty);
    chain.set("Auto_New_Name", autoName);
    if (!autoName)
        chain.set("New_Name", QStringLiteral("Joined"));
    const Dataset& out = chain.run();
    QCOMPARE(out.columnCount(), 4);
    QCOMPARE(out.row(0).mid(0, 3), row);
    QCOMPARE(out.value(0, 3), value);
    QCOMPARE(out.columnName(3), name);
    QCOMPARE(chain.summary(), summary);
    QVERIFY(chain.warnings().isEmpty());
}

void TestColumns::copy_data()
{
    QTest::addColumn<bool>("header");
    QTest::addColumn<IntList>("columns");
    QTest::addColumn<int>("copies");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QStringList>("firstRow");
    QTest::addColumn<QString>("summary");
    QTest::newRow("two copies of one") << true << IntList{1} << 2
                                       << QStringList{"A", "B", "C", "D", "B", "B"}
                                       << QStringList{"a1", "b1", "c1", "d1", "b1", "b1"}
                                       << "2 cols added";
    QTest::newRow("column order") << true << IntList{3, 0} << 1
                                  << QStringList{"A", "B", "C", "D", "A", "D"}
                                  << QStringList{"a1", "b1", "c1", "d1", "a1", "d1"}
                                  << "2 cols added";
    QTest::newRow("one copy") << true << IntList{2} << 1 << QStringList{"A", "B", "C", "D", "C"}
                              << QStringList{"a1", "b1", "c1", "d1", "c1"} << "1 col added";
    QTest::newRow("without header") << false << IntList{0} << 1
                                    << QStringList{"1", "2", "3", "4", "5"}
                                    << QStringList{"a1", "b1", "c1", "d1", "a1"} << "1 col added";
}

void TestColumns::copy()
{
    QFETCH(bool, header);
    QFETCH(IntList, columns);
    QFETCH(int, copies);
    QFETCH(QStringList, names);
    QFETCH(QStringList, firstRow);
    QFETCH(QString, summary);
    Dataset data = fourColumns();
    if (!header)
        data.setHasHeader(false); // the names become the first row
    Chain chain(QStringLiteral("Copy"), data);
    chain.setColumns("Columns", columns);
    chain.set("Copies", copies);
    const Dataset& out = chain.run();
    QCOMPARE(out.columnNames(), names);
    QCOMPARE(out.hasHeader(), header);
    QCOMPARE(out.row(out.lastRow() - 1), firstRow);
    QCOMPARE(chain.summary(), summary);
    // The copies are new columns with identities of their own.
    const int last = out.lastColumn();
    QVERIFY(out.columnId(last).isValid());
    QCOMPARE(out.columnId(last).node, chain.node->id());
}

void TestColumns::rename_data()
{
    QTest::addColumn<IntList>("columns");
    QTest::addColumn<QStringList>("newNames");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QString>("summary");
    QTest::addColumn<QStringList>("warnings");
    QTest::newRow("two to one name") << IntList{0, 2} << QStringList{"X", "X"}
                                     << QStringList{"X", "B", "X", "D"} << "2 cols renamed"
                                     << QStringList{"2 columns named 'X'"};
    QTest::newRow("onto an existing name") << IntList{3} << QStringList{"B"}
                                           << QStringList{"A", "B", "C", "B"} << "1 col renamed"
                                           << QStringList{"2 columns named 'B'"};
    QTest::newRow("same name is no change") << IntList{1} << QStringList{"B"}
                                            << QStringList{"A", "B", "C", "D"} << "No changes"
                                            << QStringList{};
    QTest::newRow("empty new name is skipped") << IntList{0, 1} << QStringList{"", "Bee"}
                                               << QStringList{"A", "Bee", "C", "D"}
                                               << "1 col renamed" << QStringList{};
}

void TestColumns::rename()
{
    QFETCH(IntList, columns);
    QFETCH(QStringList, newNames);
    QFETCH(QStringList, names);
    QFETCH(QString, summary);
    QFETCH(QStringList, warnings);
    Chain chain(QStringLiteral("Rename_Cols"), fourColumns());
    RenameColumnList list;
    for (int i = 0; i < columns.size(); ++i)
        list.append(RenameColumn{chain.param("RenameColumns")->referenceAt(columns.at(i)),
                                 newNames.at(i)});
    chain.set("RenameColumns", QVariant::fromValue(list));
    const Dataset& out = chain.run();
    QCOMPARE(out.columnNames(), names);
    QCOMPARE(chain.summary(), summary);
    QCOMPARE(chain.warnings(), warnings);
    QCOMPARE(out.row(0), (QStringList{"a1", "b1", "c1", "d1"}));
}

void TestColumns::reorder_data()
{
    QTest::addColumn<IntList>("order");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QString>("summary");
    QTest::newRow("two listed, rest follow") << IntList{2, 0} << QStringList{"C", "A", "B", "D"}
                                             << "3 cols reordered";
    QTest::newRow("swap last two") << IntList{0, 1, 3, 2} << QStringList{"A", "B", "D", "C"}
                                   << "2 cols reordered";
    QTest::newRow("reversed") << IntList{3, 2, 1, 0} << QStringList{"D", "C", "B", "A"}
                              << "4 cols reordered";
    QTest::newRow("same order") << IntList{0, 1, 2, 3} << QStringList{"A", "B", "C", "D"}
                                << "No changes";
    QTest::newRow("first only") << IntList{0} << QStringList{"A", "B", "C", "D"} << "No changes";
}

void TestColumns::reorder()
{
    QFETCH(IntList, order);
    QFETCH(QStringList, names);
    QFETCH(QString, summary);
    Chain chain(QStringLiteral("Reorder"), fourColumns());
    chain.setColumns("Columns", order);
    const Dataset& out = chain.run();
    const Dataset& in = chain.source->dataset();
    QCOMPARE(out.columnNames(), names);
    QCOMPARE(chain.summary(), summary);
    for (int c = 0; c < out.columnCount(); ++c) {
        const int from = in.columnIndexByName(names.at(c));
        QCOMPARE(out.columnId(c), in.columnId(from)); // identities move too
        QCOMPARE(columnValues(out, c), columnValues(in, from));
    }
}

void TestColumns::reorderPlacesColumnsAddedUpstreamLater()
{
    Dataset data = fourColumns();
    data.setColumnIds({{90, 1}, {90, 2}, {90, 3}, {90, 4}});
    Chain chain(QStringLiteral("Reorder"), data);
    chain.setColumns("Columns", {3, 2, 1, 0});
    QCOMPARE(chain.run().columnNames(), (QStringList{"D", "C", "B", "A"}));

    // A new column E appears upstream between B and C.
    Dataset wider = makeDataset({"A", "B", "E", "C", "D"}, {{"a1", "b1", "e1", "c1", "d1"}});
    wider.setColumnIds({{90, 1}, {90, 2}, {90, 5}, {90, 3}, {90, 4}});
    chain.source->setData(wider);
    const Dataset& out = chain.run();
    QCOMPARE(out.columnNames(), (QStringList{"D", "C", "B", "A", "E"}));
    QCOMPARE(out.row(0), (QStringList{"d1", "c1", "b1", "a1", "e1"}));
    QCOMPARE(chain.summary(), QStringLiteral("5 cols reordered"));
}

void TestColumns::removeKeepsUncheckedStateAndNewColumns()
{
    Dataset data = fourColumns();
    data.setColumnIds({{90, 1}, {90, 2}, {90, 3}, {90, 4}});
    Chain chain(QStringLiteral("Remove"), data);
    CheckedColumnList list = chain.param("Columns")->checkedColumns();
    QCOMPARE(list.size(), 4); // connecting checked every column
    QVERIFY(std::all_of(list.begin(), list.end(), [](const CheckedColumn& c) { return c.checked; }));
    QCOMPARE(chain.run().columnNames(), fourColumns().columnNames());
    QCOMPARE(chain.summary(), QStringLiteral("No changes"));

    list[1].checked = false;
    list[3].checked = false;
    chain.set("Columns", QVariant::fromValue(list));
    QCOMPARE(chain.run().columnNames(), (QStringList{"A", "C"}));
    QCOMPARE(chain.run().row(1), (QStringList{"a2", "c2"}));
    QCOMPARE(chain.summary(), QStringLiteral("2 cols removed"));

    // A column added upstream later is kept and recorded as checked; the
    // unchecked ones stay removed, also after rebinding the same item.
    Dataset wider = makeDataset({"A", "B", "C", "D", "E"}, {{"a1", "b1", "c1", "d1", "e1"}});
    wider.setColumnIds({{90, 1}, {90, 2}, {90, 3}, {90, 4}, {90, 5}});
    chain.source->setData(wider);
    QCOMPARE(chain.run().columnNames(), (QStringList{"A", "C", "E"}));
    QCOMPARE(chain.param("Columns")->checkedColumns().size(), 5);
    QCOMPARE(chain.param("Columns")->resolvedColumns(true), (IntList{0, 2, 4}));
    chain.node->upstreamChanged();
    QCOMPARE(chain.run().columnNames(), (QStringList{"A", "C", "E"}));

    for (CheckedColumn& c : list)
        c.checked = false;
    chain.set("Columns", QVariant::fromValue(list));
    const Dataset& none = chain.run();
    QCOMPARE(none.columnCount(), 1); // only E, which the list did not name
    QCOMPARE(chain.summary(), QStringLiteral("4 cols removed"));
}

void TestColumns::removeRefreshChecksEveryColumnOfNewUpstream()
{
    Chain chain(QStringLiteral("Remove"), fourColumns());
    CheckedColumnList list = chain.param("Columns")->checkedColumns();
    list[0].checked = false;
    chain.set("Columns", QVariant::fromValue(list));
    QCOMPARE(chain.run().columnNames(), (QStringList{"B", "C", "D"}));

    auto* other = new SourceNode(makeDataset({"X", "Y"}, {{"x", "y"}}));
    chain.scene.insertNode(other);
    other->process(false, false);
    delete chain.node->connections(Incoming).first();
    chain.scene.insertConnection(other, chain.node);
    chain.node->upstreamChanged();
    const CheckedColumnList fresh = chain.param("Columns")->checkedColumns();
    QCOMPARE(fresh.size(), 2);
    QVERIFY(fresh.at(0).checked && fresh.at(1).checked);
    QCOMPARE(chain.run().columnNames(), (QStringList{"X", "Y"}));
    QCOMPARE(chain.summary(), QStringLiteral("No changes"));
}

void TestColumns::newColAndClone()
{
    Chain newCol(QStringLiteral("New_Col"), fourColumns());
    QCOMPARE(newCol.param("New_Name")->text(), QStringLiteral("New Col"));
    newCol.set("New_Value", QStringLiteral("$(A) stays literal"));
    const Dataset& out = newCol.run();
    QCOMPARE(out.columnNames().last(), QStringLiteral("New Col"));
    QCOMPARE(columnValues(out, 4), (QStringList{"$(A) stays literal", "$(A) stays literal"}));
    QCOMPARE(newCol.summary(), QStringLiteral("1 col added"));
    QVERIFY(newCol.warnings().isEmpty());

    Chain clone(QStringLiteral("Clone"), fourColumns());
    const Dataset& copy = clone.run();
    const Dataset& in = clone.source->dataset();
    QVERIFY(copy.equals(in));
    QCOMPARE(copy.columnIds(), in.columnIds());
    QCOMPARE(clone.summary(), QStringLiteral("Cloned"));
    // Nothing was changed, so the rows still share the upstream storage.
    QCOMPARE(&copy.value(1, 2), &in.value(1, 2));
}

void TestColumns::savedOptionsGiveTheSameResult()
{
    Chain remove(QStringLiteral("Remove"), fourColumns());
    CheckedColumnList list = remove.param("Columns")->checkedColumns();
    list[1].checked = false;
    remove.set("Columns", QVariant::fromValue(list));
    QCOMPARE(remove.run().columnNames(), (QStringList{"A", "C", "D"}));
    QCOMPARE(remove.runRestoredCopy().columnNames(), (QStringList{"A", "C", "D"}));

    Chain reorder(QStringLiteral("Reorder"), fourColumns());
    reorder.setColumns("Columns", {3, 1});
    QCOMPARE(reorder.run().columnNames(), (QStringList{"D", "B", "A", "C"}));
    QCOMPARE(reorder.runRestoredCopy().columnNames(), (QStringList{"D", "B", "A", "C"}));

    Chain rename(QStringLiteral("Rename_Cols"), fourColumns());
    const TransformParameter* p = rename.param("RenameColumns");
    rename.set("RenameColumns", QVariant::fromValue(RenameColumnList{{p->referenceAt(2), "Sea"}}));
    QCOMPARE(rename.run().columnNames(), (QStringList{"A", "B", "Sea", "D"}));
    QCOMPARE(rename.runRestoredCopy().columnNames(), (QStringList{"A", "B", "Sea", "D"}));
}

void TestColumns::offset_data()
{
    QTest::addColumn<QString>("direction");
    QTest::addColumn<int>("amount");
    QTest::addColumn<bool>("wrap");
    QTest::addColumn<QStringList>("values");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<QString>("summary");
    const QStringList v{"1", "2", "3", "4"};
    QTest::newRow("down 1") << "Down" << 1 << false << v << QStringList{"n", "1", "2", "3"}
                            << "4 changed, 0 unchanged";
    QTest::newRow("up 1") << "Up" << 1 << false << v << QStringList{"2", "3", "4", "n"}
                          << "4 changed, 0 unchanged";
    QTest::newRow("down 1 wrapped") << "Down" << 1 << true << v << QStringList{"4", "1", "2", "3"}
                                    << "4 changed, 0 unchanged";
    QTest::newRow("down 5 wrapped") << "Down" << 5 << true << v << QStringList{"4", "1", "2", "3"}
                                    << "4 changed, 0 unchanged";
    QTest::newRow("up 7 wrapped") << "Up" << 7 << true << v << QStringList{"4", "1", "2", "3"}
                                  << "4 changed, 0 unchanged";
    QTest::newRow("down by row count wrapped") << "Down" << 4 << true << v << v << "No changes";
    QTest::newRow("more than the rows") << "Up" << 10 << false << v
                                        << QStringList{"n", "n", "n", "n"} << "4 changed, 0 unchanged";
    QTest::newRow("zero") << "Up" << 0 << false << v << v << "No changes";
    QTest::newRow("repeats unchanged") << "Down" << 1 << false << QStringList{"n", "n", "2", "2"}
                                       << QStringList{"n", "n", "n", "2"} << "1 changed, 3 unchanged";
}

void TestColumns::offset()
{
    QFETCH(QString, direction);
    QFETCH(int, amount);
    QFETCH(bool, wrap);
    QFETCH(QStringList, values);
    QFETCH(QStringList, expected);
    QFETCH(QString, summary);
    Chain chain(QStringLiteral("Offset"), numbered(values));
    chain.setColumns("Columns", {0});
    chain.set("Offset_Amount", amount);
    chain.set("Offset_Direction", direction);
    chain.set("Wraparound", wrap);
    chain.set("New_Value", QStringLiteral("n"));
    const Dataset& out = chain.run();
    QCOMPARE(columnValues(out, 0), expected);
    QCOMPARE(columnValues(out, 1), (QStringList{"0", "1", "2", "3"})); // not selected: in place
    QCOMPARE(chain.summary(), summary);
}

void TestColumns::unsetOptions_data()
{
    QTest::addColumn<QString>("typeKey");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QString>("warning");
    QTest::newRow("copies zero") << "Copy" << "Copies" << QVariant(0)
                                 << "2 options not set ('Columns','Copies')";
    QTest::newRow("concat automatic name") << "Concat" << "Auto_New_Name" << QVariant(true)
                                           << "1 option not set ('Columns')";
    QTest::newRow("concat typed name") << "Concat" << "Auto_New_Name" << QVariant(false)
                                       << "2 options not set ('New column name','Columns')";
    QTest::newRow("new col without name") << "New_Col" << "New_Name" << QVariant(QString())
                                          << "1 option not set ('New column name')";
    QTest::newRow("row num without name") << "Row_Num" << "Start_At" << QVariant(3)
                                          << "1 option not set ('New column name')";
    QTest::newRow("offset without columns") << "Offset" << "New_Value" << QVariant(QString())
                                            << "1 option not set ('Columns')";
}

void TestColumns::unsetOptions()
{
    QFETCH(QString, typeKey);
    QFETCH(QString, key);
    QFETCH(QVariant, value);
    QFETCH(QString, warning);
    Chain chain(typeKey, fourColumns());
    chain.set(key.toLatin1().constData(), value);
    chain.run();
    QCOMPARE(chain.transform()->warnings(), QStringList{warning});
    QCOMPARE(chain.node->status(), int(StatusUpToDate));
}

void TestColumns::keywordSearch_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("displayName");
    QTest::newRow("lag") << "lag" << "Offset";
    QTest::newRow("wraparound") << "wraparound" << "Offset";
    QTest::newRow("rownum") << "rownum" << "Row Num";
    QTest::newRow("relabel") << "relabel" << "Rename Cols";
    QTest::newRow("rearrange") << "rearrange columns" << "Reorder Cols";
    QTest::newRow("constant") << "constant" << "New Col";
    QTest::newRow("concatenate") << "concatenate cols" << "Concat Cols";
    QTest::newRow("replicate") << "replicate" << "Copy Cols";
    QTest::newRow("exclude") << "exclude columns" << "Remove Cols";
    QTest::newRow("passthrough") << "passthrough" << "Clone";
}

void TestColumns::keywordSearch()
{
    QFETCH(QString, text);
    QFETCH(QString, displayName);
    QStringList shown;
    for (const Transform* t : Catalogue::instance().visible(0, true, text))
        shown << t->displayName();
    QVERIFY2(shown.contains(displayName), qPrintable(shown.join(QLatin1Char(','))));
}

QTEST_MAIN(TestColumns)
#include "tst_columns.moc"
