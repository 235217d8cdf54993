// Column structure transforms and Offset, each run through a real
// TransformNode fed by an in-memory source item.
#include "graph/connection.h"
#include "tests/graph/testnodes.h"
#include "transforms/row/transformrownum.h"

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
    d.setHeader({ QStringLiteral("V"), QStringLiteral("Other") });
    for (int r = 0; r < values.size(); ++r)
        d.appendRow({ values.at(r), QString::number(r) });
    return d;
}

// The same dataset with fixed identities, so that a changed upstream keeps
// the identities of the columns it still has.
Dataset withIds(Dataset d, const QVector<quint32>& serials)
{
    QVector<ColumnId> ids;
    for (quint32 s : serials)
        ids.append(ColumnId(90, s));
    d.setColumnIds(ids);
    return d;
}

Dataset fourColumns()
{
    return makeDataset(
        { "A", "B", "C", "D" }, { { "a1", "b1", "c1", "d1" }, { "a2", "b2", "c2", "d2" } });
}

} // namespace

using IntList = QVector<int>;

class TestColumns : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void rowNum_data()
    {
        QTest::addColumn<IntList>("startStepEvery");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<QString>("summary");
        auto row = [](const char* name, const IntList& startStepEvery, const QStringList& expected,
                       const QString& summary) {
            QTest::newRow(name) << startStepEvery << expected << summary;
        };
        row("10 by 5 every 2", { 10, 5, 2 }, { "10", "10", "15", "15", "20" }, "5 rows numbered");
        row("counting down", { 2, -1, 1 }, { "2", "1", "0", "-1" }, "4 rows numbered");
        row("every beyond the rows", { 1, 1, 10 }, { "1", "1", "1" }, "3 rows numbered");
        row("one row", { 7, 3, 1 }, { "7" }, "1 row numbered");
        row("no rows", { 1, 1, 1 }, {}, "0 rows numbered");
    }
    void rowNum()
    {
        QFETCH(IntList, startStepEvery);
        QFETCH(QStringList, expected);
        QFETCH(QString, summary);
        Chain chain(QStringLiteral("Row_Num"), numbered(expected)); // one row per number
        chain.set("New_Name", QStringLiteral("Num"));
        chain.set("Start_At", startStepEvery.at(0));
        chain.set("Increment", startStepEvery.at(1));
        chain.set("Every", startStepEvery.at(2));
        const Dataset& out = chain.run();
        QCOMPARE(out.columnNames(), (QStringList { "V", "Other", "Num" }));
        QCOMPARE(columnValues(out, 2), expected);
        QCOMPARE(chain.summary(), summary);
        QVERIFY(chain.warnings().isEmpty());
        // The largest start and step over many rows go beyond 32 bits.
        QCOMPARE(TransformRowNum::numberOf(3000000, 999999999, 999999, 1),
            999999999LL + 3000000LL * 999999LL);
    }

    void concat_data()
    {
        QTest::addColumn<QStringList>("row");
        QTest::addColumn<IntList>("columns");
        QTest::addColumn<QString>("delimiter");
        QTest::addColumn<bool>("keepEmpty");
        QTest::addColumn<bool>("autoName");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("summary");
        auto row = [](const char* tag, const QStringList& row, const IntList& columns,
                       const QString& delimiter, bool keepEmpty, bool autoName,
                       const QString& value, const QString& name, const QString& summary) {
            QTest::newRow(tag) << row << columns << delimiter << keepEmpty << autoName << value
                               << name << summary;
        };
        const QStringList aEmptyC { "a", "", "c" };
        const QString all3 = QStringLiteral("First + Middle + Last");
        row("empty skipped", aEmptyC, { 0, 1, 2 }, ",", false, true, "a,c", all3,
            "Concatenated 3 cols");
        row("empty kept", aEmptyC, { 0, 1, 2 }, ",", true, true, "a,,c", all3,
            "Concatenated 3 cols");
        row("spaces are not empty", { "a", " ", "c" }, { 0, 1, 2 }, ",", false, true, "a, ,c", all3,
            "Concatenated 3 cols");
        row("column order", aEmptyC, { 2, 0 }, " ", false, true, "a c", "First + Last",
            "Concatenated 2 cols");
        row("typed name, no delimiter", aEmptyC, { 0, 2 }, "", false, false, "ac", "Joined",
            "Concatenated 2 cols");
        row("one empty column kept", aEmptyC, { 1 }, ",", true, true, "", "Middle",
            "Concatenated 1 col");
    }
    void concat()
    {
        QFETCH(QStringList, row);
        QFETCH(IntList, columns);
        QFETCH(QString, delimiter);
        QFETCH(bool, keepEmpty);
        QFETCH(bool, autoName);
        QFETCH(QString, value);
        QFETCH(QString, summary);
        Chain chain(QStringLiteral("Concat"), makeDataset({ "First", "Middle", "Last" }, { row }));
        chain.setColumns("Columns", columns);
        chain.set("Delimiter", delimiter);
        chain.set("Keep_Empty", keepEmpty);
        chain.set("Auto_New_Name", autoName);
        chain.set("New_Name", QStringLiteral("Joined"));
        const Dataset& out = chain.run();
        QCOMPARE(out.row(0), QStringList(row) << value);
        QTEST(out.columnName(3), "name");
        QCOMPARE(chain.summary(), summary);
        QVERIFY(chain.warnings().isEmpty());
    }

    void copy_data()
    {
        QTest::addColumn<bool>("header");
        QTest::addColumn<IntList>("columns");
        QTest::addColumn<int>("copies");
        QTest::addColumn<QStringList>("added"); // names, then the values of row a
        QTest::addColumn<QString>("summary");
        QTest::newRow("two copies of one")
            << true << IntList { 1 } << 2 << QStringList { "B", "B", "b1", "b1" } << "2 cols added";
        QTest::newRow("column order") << true << IntList { 3, 0 } << 1
                                      << QStringList { "A", "D", "a1", "d1" } << "2 cols added";
        QTest::newRow("without header")
            << false << IntList { 2 } << 1 << QStringList { "5", "c1" } << "1 col added";
    }
    void copy()
    {
        QFETCH(bool, header);
        QFETCH(IntList, columns);
        QFETCH(int, copies);
        QFETCH(QStringList, added);
        QFETCH(QString, summary);
        Dataset data = fourColumns();
        if (!header)
            data.setHasHeader(false); // the names become the first row
        Chain chain(QStringLiteral("Copy"), data);
        chain.setColumns("Columns", columns);
        chain.set("Copies", copies);
        const Dataset& out = chain.run();
        const int n = added.size() / 2;
        QCOMPARE(out.columnCount(), 4 + n);
        QCOMPARE(out.hasHeader(), header);
        QCOMPARE(out.columnNames().mid(4), added.mid(0, n));
        QCOMPARE(out.row(out.lastRow() - 1), data.row(data.lastRow() - 1) + added.mid(n));
        QCOMPARE(chain.summary(), summary);
        // The copies are new columns with identities of their own.
        QCOMPARE(out.columnId(out.lastColumn()).node, chain.node->id());
    }

    void rename_data()
    {
        QTest::addColumn<QStringList>("newNames"); // for A, B, C, D; empty: not renamed
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QString>("summary");
        QTest::addColumn<QStringList>("warnings");
        auto row = [](const char* name, const QStringList& newNames, const QStringList& names,
                       const QString& summary, const QStringList& warnings) {
            QTest::newRow(name) << newNames << names << summary << warnings;
        };
        row("two to one name", { "X", "", "X", "" }, { "X", "B", "X", "D" }, "2 cols renamed",
            { "2 columns named 'X'" });
        row("onto an existing name", { "", "", "", "B" }, { "A", "B", "C", "B" }, "1 col renamed",
            { "2 columns named 'B'" });
        row("same name", { "", "B", "", "" }, { "A", "B", "C", "D" }, "No changes", {});
    }
    void rename()
    {
        QFETCH(QStringList, newNames);
        QFETCH(QString, summary);
        QFETCH(QStringList, warnings);
        Chain chain(QStringLiteral("Rename_Cols"), fourColumns());
        RenameColumnList list;
        for (int c = 0; c < newNames.size(); ++c)
            list.append({ chain.param("RenameColumns")->referenceAt(c), newNames.at(c) });
        chain.set("RenameColumns", QVariant::fromValue(list));
        const Dataset& out = chain.run();
        QTEST(out.columnNames(), "names");
        QCOMPARE(chain.summary(), summary);
        QCOMPARE(chain.warnings(), warnings);
        QCOMPARE(out.row(0), fourColumns().row(0));
    }

    void reorderPlacesColumnsAddedUpstreamLater()
    {
        Chain chain(QStringLiteral("Reorder"), withIds(fourColumns(), { 1, 2, 3, 4 }));
        chain.setColumns("Columns", { 3, 1 });
        const Dataset& out = chain.run();
        const Dataset& in = chain.source->dataset();
        QCOMPARE(out.columnNames(), (QStringList { "D", "B", "A", "C" }));
        QCOMPARE(out.row(1), (QStringList { "d2", "b2", "a2", "c2" }));
        QCOMPARE(out.columnIds(),
            (QVector<ColumnId> { in.columnId(3), in.columnId(1), in.columnId(0), in.columnId(2) }));
        QCOMPARE(chain.summary(), QStringLiteral("3 cols reordered")); // B kept its place
        chain.setColumns("Columns", { 0, 1, 2, 3 });
        chain.run();
        QCOMPARE(chain.summary(), QStringLiteral("No changes"));

        // A new column E appears upstream between B and C.
        chain.setColumns("Columns", { 3, 1 });
        chain.source->setData(
            withIds(makeDataset({ "A", "B", "E", "C", "D" }, { { "a1", "b1", "e1", "c1", "d1" } }),
                { 1, 2, 5, 3, 4 }));
        QCOMPARE(chain.run().row(0), (QStringList { "d1", "b1", "a1", "e1", "c1" }));
        QCOMPARE(chain.node->dataset().columnNames(), (QStringList { "D", "B", "A", "E", "C" }));
        QCOMPARE(chain.summary(), QStringLiteral("4 cols reordered"));
    }

    void removeKeepsUncheckedStateAndNewColumns()
    {
        Chain chain(QStringLiteral("Remove"), withIds(fourColumns(), { 1, 2, 3, 4 }));
        CheckedColumnList list = chain.param("Columns")->checkedColumns();
        QCOMPARE(
            chain.param("Columns")->resolvedColumns(), (IntList { 0, 1, 2, 3 })); // all checked
        QCOMPARE(chain.run().columnNames(), fourColumns().columnNames());
        QCOMPARE(chain.summary(), QStringLiteral("No changes"));

        list[1].checked = false;
        list[3].checked = false;
        chain.set("Columns", QVariant::fromValue(list));
        QCOMPARE(chain.run().row(1), (QStringList { "a2", "c2" }));
        QCOMPARE(chain.summary(), QStringLiteral("2 cols removed"));

        // A column added upstream later is kept and recorded as checked; the
        // unchecked ones stay removed, also after rebinding the same item.
        chain.source->setData(
            withIds(makeDataset({ "A", "B", "C", "D", "E" }, { { "a1", "b1", "c1", "d1", "e1" } }),
                { 1, 2, 3, 4, 5 }));
        QCOMPARE(chain.run().columnNames(), (QStringList { "A", "C", "E" }));
        QCOMPARE(chain.param("Columns")->checkedColumns().size(), 5);
        QCOMPARE(chain.param("Columns")->resolvedColumns(true), (IntList { 0, 2, 4 }));
        chain.node->upstreamChanged();
        QCOMPARE(chain.run().columnNames(), (QStringList { "A", "C", "E" }));
    }

    void removeRefreshChecksEveryColumnOfNewUpstream()
    {
        Chain chain(QStringLiteral("Remove"), fourColumns());
        CheckedColumnList list = chain.param("Columns")->checkedColumns();
        list[0].checked = false;
        chain.set("Columns", QVariant::fromValue(list));
        QCOMPARE(chain.run().columnNames(), (QStringList { "B", "C", "D" }));

        auto* other = new SourceNode(makeDataset({ "X", "Y" }, { { "x", "y" } }));
        chain.scene.insertNode(other);
        other->process(false, false);
        delete chain.node->connections(Incoming).first();
        chain.scene.insertConnection(other, chain.node);
        chain.node->upstreamChanged();
        QCOMPARE(chain.param("Columns")->resolvedColumns(), (IntList { 0, 1 }));
        QCOMPARE(chain.run().columnNames(), (QStringList { "X", "Y" }));
        QCOMPARE(chain.summary(), QStringLiteral("No changes"));
    }

    void newColAndClone()
    {
        Chain newCol(QStringLiteral("New_Col"), fourColumns());
        QCOMPARE(newCol.param("New_Name")->text(), QStringLiteral("New Col"));
        newCol.set("New_Value", QStringLiteral("$(A) stays literal"));
        const Dataset& out = newCol.run();
        QCOMPARE(out.columnName(4), QStringLiteral("New Col"));
        QCOMPARE(
            columnValues(out, 4), (QStringList { "$(A) stays literal", "$(A) stays literal" }));
        QCOMPARE(newCol.summary(), QStringLiteral("1 col added"));
        QVERIFY(newCol.warnings().isEmpty());

        Chain clone(QStringLiteral("Clone"), fourColumns());
        const Dataset& copy = clone.run();
        const Dataset& in = clone.source->dataset();
        QVERIFY(copy.equals(in));
        QCOMPARE(copy.columnIds(), in.columnIds());
        QCOMPARE(clone.summary(), QStringLiteral("Cloned"));
        QCOMPARE(&copy.value(1, 2), &in.value(1, 2)); // still sharing storage
    }

    void savedOptionsGiveTheSameResult()
    {
        Chain remove(QStringLiteral("Remove"), fourColumns());
        CheckedColumnList list = remove.param("Columns")->checkedColumns();
        list[1].checked = false;
        remove.set("Columns", QVariant::fromValue(list));
        QCOMPARE(remove.run().columnNames(), (QStringList { "A", "C", "D" }));
        QCOMPARE(remove.runRestoredCopy().columnNames(), (QStringList { "A", "C", "D" }));

        Chain reorder(QStringLiteral("Reorder"), fourColumns());
        reorder.setColumns("Columns", { 3, 1 });
        QCOMPARE(reorder.run().columnNames(), (QStringList { "D", "B", "A", "C" }));
        QCOMPARE(reorder.runRestoredCopy().columnNames(), (QStringList { "D", "B", "A", "C" }));
    }

    void offset_data()
    {
        QTest::addColumn<QString>("direction");
        QTest::addColumn<int>("amount");
        QTest::addColumn<bool>("wrap");
        QTest::addColumn<QStringList>("values");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<QString>("summary");
        auto row = [](const char* name, const QString& direction, int amount, bool wrap,
                       const QStringList& values, const QStringList& expected,
                       const QString& summary) {
            QTest::newRow(name) << direction << amount << wrap << values << expected << summary;
        };
        const QStringList v { "1", "2", "3", "4" };
        const QString all = QStringLiteral("4 changed, 0 unchanged");
        row("down 1", "Down", 1, false, v, { "n", "1", "2", "3" }, all);
        row("up 1", "Up", 1, false, v, { "2", "3", "4", "n" }, all);
        row("down 1 wrapped", "Down", 1, true, v, { "4", "1", "2", "3" }, all);
        row("down 5 wrapped", "Down", 5, true, v, { "4", "1", "2", "3" }, all);
        row("up 7 wrapped", "Up", 7, true, v, { "4", "1", "2", "3" }, all);
        row("whole turn", "Down", 4, true, v, v, "No changes");
        row("beyond the rows", "Up", 10, false, v, { "n", "n", "n", "n" }, all);
        row("zero", "Up", 0, false, v, v, "No changes");
        row("equal values unchanged", "Down", 1, false, { "n", "n", "2", "2" },
            { "n", "n", "n", "2" }, "1 changed, 3 unchanged");
    }
    void offset()
    {
        QFETCH(QString, direction);
        QFETCH(int, amount);
        QFETCH(bool, wrap);
        QFETCH(QStringList, values);
        QFETCH(QString, summary);
        Chain chain(QStringLiteral("Offset"), numbered(values));
        chain.setColumns("Columns", { 0 });
        chain.set("Offset_Amount", amount);
        chain.set("Offset_Direction", direction);
        chain.set("Wraparound", wrap);
        chain.set("New_Value", QStringLiteral("n"));
        const Dataset& out = chain.run();
        QTEST(columnValues(out, 0), "expected");
        QCOMPARE(columnValues(out, 1), (QStringList { "0", "1", "2", "3" })); // stays in place
        QCOMPARE(chain.summary(), summary);
    }

    void unsetOptions_data()
    {
        QTest::addColumn<QString>("typeKey");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QString>("warning");
        auto row = [](const char* name, const QString& typeKey, const QString& key,
                       const QVariant& value, const QString& warning) {
            QTest::newRow(name) << typeKey << key << value << warning;
        };
        row("copies zero", "Copy", "Copies", QVariant(0), "2 options not set ('Columns','Copies')");
        row("concat automatic name", "Concat", "Auto_New_Name", QVariant(true),
            "1 option not set ('Columns')");
        row("concat typed name", "Concat", "Auto_New_Name", QVariant(false),
            "2 options not set ('New column name','Columns')");
        row("new col without name", "New_Col", "New_Name", QVariant(QString()),
            "1 option not set ('New column name')");
    }
    void unsetOptions()
    {
        QFETCH(QString, typeKey);
        QFETCH(QString, key);
        QFETCH(QVariant, value);
        QFETCH(QString, warning);
        Chain chain(typeKey, fourColumns());
        chain.set(key.toLatin1().constData(), value);
        chain.run();
        QCOMPARE(chain.transform()->warnings(), QStringList { warning });
        QCOMPARE(chain.node->status(), int(StatusUpToDate));
    }
};

QTEST_MAIN(TestColumns)
#include "tst_columns.moc"
